# Sources and libraries of the movie side of plumet_imaging.
target_sources(plumet_imaging PRIVATE AvLog.cpp MovieFile.cpp PosterMovieWriter.cpp)
target_link_libraries(plumet_imaging PRIVATE plumet_platform PkgConfig::AVFORMAT PkgConfig::AVCODEC
                                             PkgConfig::AVUTIL PkgConfig::SWSCALE)
