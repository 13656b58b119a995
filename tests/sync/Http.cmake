# Tests of the HTTP call, keychain, URL utilities and their helpers.
plumet_add_test(NAME tst_restcall SOURCES tst_restcall.cpp RecordingDelegate.h
                LIBS plumet_sync LABELS peer)
plumet_add_test(NAME tst_httphelpers SOURCES tst_httphelpers.cpp LIBS plumet_sync)
plumet_add_test(NAME tst_urlutilities SOURCES tst_urlutilities.cpp LIBS plumet_sync LABELS peer)
plumet_add_test(NAME tst_simplecall SOURCES tst_simplecall.cpp LIBS plumet_sync LABELS peer)
plumet_add_test(NAME tst_keychain SOURCES tst_keychain.cpp LIBS plumet_sync plumet_test_secrets PkgConfig::SECRET)
plumet_add_test(NAME tst_authrequest SOURCES tst_authrequest.cpp RecordingDelegate.h
                LIBS plumet_sync_gui LABELS gui peer)
plumet_add_test(NAME tst_securityquestion SOURCES tst_securityquestion.cpp
                LIBS plumet_sync_gui LABELS gui)
plumet_add_fuzzer(NAME fuzz_page_text SOURCES fuzz/FuzzPageText.cpp LIBS plumet_sync)
