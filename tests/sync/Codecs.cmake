# Tests of the wire codecs, the wiredump harness, fuzz targets and the decoder benchmark.
plumet_add_test(NAME tst_xmltreereader SOURCES XmlTreeReaderTest.cpp LIBS plumet_sync)
plumet_add_test(NAME tst_xmlrpcencoder SOURCES XMLRPCEncoderTest.cpp LIBS plumet_sync)
plumet_add_test(NAME tst_xmlrpcdecoder SOURCES XMLRPCDecoderTest.cpp LIBS plumet_sync)
plumet_add_test(NAME tst_atomdecoder SOURCES AtomDecoderTest.cpp LIBS plumet_sync)
plumet_add_test(NAME tst_discoveryparsers SOURCES DiscoveryParsersTest.cpp LIBS plumet_sync)
plumet_add_test(NAME tst_consolemasking SOURCES ConsoleMaskingTest.cpp LIBS plumet_sync)

# wiredump: prints what a server document decodes to (not installed).
add_library(plumet_wiredump STATIC wiredump/WireDump.cpp)
target_include_directories(plumet_wiredump PUBLIC ${CMAKE_CURRENT_SOURCE_DIR}/wiredump)
target_link_libraries(plumet_wiredump PUBLIC plumet_sync Qt6::Core)
add_executable(wiredump wiredump/main.cpp)
target_link_libraries(wiredump PRIVATE plumet_wiredump)
set_target_properties(wiredump PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
plumet_add_test(NAME tst_wiredump SOURCES WireDumpTest.cpp LIBS plumet_wiredump)

plumet_add_fuzzer(NAME fuzz_xmlrpc_decoder SOURCES fuzz/FuzzXMLRPCDecoder.cpp LIBS plumet_wiredump
                  CORPUS ${CMAKE_SOURCE_DIR}/tests/data/wordpress-6.1)
plumet_add_fuzzer(NAME fuzz_atom_decoder SOURCES fuzz/FuzzAtomDecoder.cpp LIBS plumet_wiredump
                  CORPUS ${CMAKE_SOURCE_DIR}/tests/data/atom)
plumet_add_fuzzer(NAME fuzz_discovery_parsers SOURCES fuzz/FuzzDiscoveryParsers.cpp
                  LIBS plumet_wiredump CORPUS ${CMAKE_SOURCE_DIR}/tests/data/fuzz-seeds/discovery)

plumet_add_test(NAME bench_xmlrpcdecoder SOURCES XMLRPCDecoderBenchmark.cpp LIBS plumet_sync
                LABELS perf)
