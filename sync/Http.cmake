# HTTP calls, keychain, certificate trust and page text.
target_sources(plumet_sync PRIVATE
  AuthPrompter.cpp
  CertificateTrustStore.cpp
  HttpConsoleLog.cpp
  HttpErrors.cpp
  HttpSettings.cpp
  KeyChain.cpp
  RedirectPolicy.cpp
  RESTCall.cpp
  SecurityPrompter.cpp
  SimpleCall.cpp
  URLUtilities.cpp
)
# The "timeout" preference lives in the platform library's user defaults.
target_link_libraries(plumet_sync PUBLIC Qt6::Network RVUtilities plumet_platform PRIVATE PkgConfig::SECRET)

add_subdirectory(gui)
