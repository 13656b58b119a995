# Blogs, accounts, entry files, rendering and the local store.
find_package(Qt6 REQUIRED COMPONENTS Concurrent)
target_sources(plumet_model PRIVATE
  Account.cpp
  AccountList.cpp
  Blog.cpp
  BlogEntryStore.cpp
  EntryContent.cpp
  EntryFile.cpp
  EntryRenderer.cpp
  HtmlTidy.cpp
  PluginTraits.cpp
  PreviousVersionImport.cpp
  SentenceSummary.cpp
  ServerPostReader.cpp
)
target_link_libraries(plumet_model PUBLIC plumet_sync plumet_cutils Qt6::Concurrent PkgConfig::TIDY)
