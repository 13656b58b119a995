# Sources and libraries of the still-picture side of plumet_imaging.
target_sources(plumet_imaging PRIVATE
  ColorConversion.cpp
  ImageEncoder.cpp
  ImageMetadata.cpp
  ImageObject.cpp
  ImageOrientation.cpp
  ImageSource.cpp
  ImageTypes.cpp
  Jpeg2000Codec.cpp
  LanczosScaler.cpp
  LuminanceSharpener.cpp
  Profile.cpp)
target_link_libraries(plumet_imaging PRIVATE plumet_platform PkgConfig::LCMS2 PkgConfig::LIBPNG
  PkgConfig::OPENJPEG PkgConfig::GIFLIB PkgConfig::IMAGEQUANT PkgConfig::EXIV2)
