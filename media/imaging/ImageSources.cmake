# Sources and libraries of the still-picture side of plumet_imaging.
target_sources(plumet_imaging PRIVATE
  ImageObject.cpp
  Profile.cpp)
target_link_libraries(plumet_imaging PRIVATE plumet_platform)
