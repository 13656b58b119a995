# The plug-in host: the four plug-in protocols and the managers that load bundles.
target_sources(plumet_sync PRIVATE
  AddonManager.cpp
  FormatterManager.cpp
  PluginBundleLoader.cpp
  PluginManager.cpp
  UploaderManager.cpp
)
target_link_libraries(plumet_sync PUBLIC plumet_platform)
