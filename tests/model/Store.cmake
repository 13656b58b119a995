# Blogs, accounts, entry files, rendering and the local store.
plumet_add_test(NAME tst_entryfile SOURCES tst_entryfile.cpp LIBS plumet_model)
plumet_add_test(NAME tst_blogentrystore SOURCES tst_blogentrystore.cpp LIBS plumet_model)
plumet_add_test(NAME tst_blogaccount SOURCES tst_blogaccount.cpp LIBS plumet_model)
plumet_add_test(NAME tst_accountkeychain SOURCES tst_accountkeychain.cpp LIBS plumet_model PkgConfig::SECRET)
plumet_add_test(NAME tst_entryrendering SOURCES tst_entryrendering.cpp LIBS plumet_model)
plumet_add_test(NAME bench_storeload SOURCES bench_storeload.cpp LIBS plumet_model PkgConfig::PLIST LABELS perf TIMEOUT 600)
add_executable(plumet_store_saver StoreSaver.cpp)
target_link_libraries(plumet_store_saver PRIVATE plumet_model)
set_target_properties(plumet_store_saver PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
plumet_add_test(NAME tst_storekill SOURCES tst_storekill.cpp LIBS plumet_model TIMEOUT 300)
add_dependencies(tst_storekill plumet_store_saver)
# One Secret Service per session bus: keychain tests take turns.
set_tests_properties(tst_accountkeychain PROPERTIES RESOURCE_LOCK secret-service)
