# Tests of the plug-in host. The fixture plug-ins are bare libraries; the test
# assembles bundles around copies of them in temporary folders.
set(fixture_dir ${CMAKE_BINARY_DIR}/tests/plugin-fixtures)
function(plumet_fixture_plugin name)
  cmake_parse_arguments(F "" "" "SOURCES;DEFINES;LIBS" ${ARGN})
  add_library(${name} MODULE ${F_SOURCES})
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/sync)
  target_link_libraries(${name} PRIVATE Qt6::Core ${F_LIBS})
  target_compile_definitions(${name} PRIVATE ${F_DEFINES})
  set_target_properties(${name} PROPERTIES LIBRARY_OUTPUT_DIRECTORY ${fixture_dir}
    CXX_VISIBILITY_PRESET hidden VISIBILITY_INLINES_HIDDEN ON)
endfunction()

set(fx ${CMAKE_CURRENT_SOURCE_DIR}/plugin-fixtures)
set(blog_sources ${fx}/FakeBlogSystem.cpp ${fx}/FakeBlogSystem.h)
plumet_fixture_plugin(fixture_blog_builtin SOURCES ${blog_sources} LIBS plumet_xmlrpc_driver
  DEFINES FAKE_KEY="Fake" FAKE_DESCRIPTION="built-in")
plumet_fixture_plugin(fixture_blog_user SOURCES ${blog_sources} LIBS plumet_xmlrpc_driver
  DEFINES FAKE_KEY="Fake" FAKE_DESCRIPTION="user")
foreach(key beta Alpha gamma)
  plumet_fixture_plugin(fixture_blog_${key} SOURCES ${blog_sources} LIBS plumet_xmlrpc_driver
    DEFINES FAKE_KEY="${key}" FAKE_DESCRIPTION="${key}")
endforeach()
set(addon_sources ${fx}/FakeAddon.cpp ${fx}/FakeAddon.h)
plumet_fixture_plugin(fixture_addon_user SOURCES ${addon_sources}
  DEFINES FAKE_KEY="Tool" FAKE_DESCRIPTION="user")
plumet_fixture_plugin(fixture_addon_builtin SOURCES ${addon_sources}
  DEFINES FAKE_KEY="Tool" FAKE_DESCRIPTION="built-in" FAKE_ICON)
plumet_fixture_plugin(fixture_addon_other SOURCES ${addon_sources}
  DEFINES FAKE_KEY="Other" FAKE_DESCRIPTION="other" FAKE_ICON)
plumet_fixture_plugin(fixture_formatter SOURCES ${fx}/FakeFormatter.h ${fx}/FakeFormatter.cpp)
plumet_fixture_plugin(fixture_uploader SOURCES ${fx}/FakeUploader.h ${fx}/FakeUploader.cpp)
plumet_fixture_plugin(fixture_unloadable SOURCES ${fx}/UnloadablePlugin.cpp ${fx}/UnloadablePlugin.h
  LIBS plumet_xmlrpc_driver)

plumet_add_test(NAME tst_pluginmanagers SOURCES tst_pluginmanagers.cpp LIBS plumet_sync plumet_platform)
add_dependencies(tst_pluginmanagers
  fixture_blog_builtin fixture_blog_user fixture_blog_beta fixture_blog_Alpha fixture_blog_gamma
  fixture_addon_user fixture_addon_builtin fixture_addon_other fixture_formatter fixture_uploader
  fixture_unloadable)
target_compile_definitions(tst_pluginmanagers PRIVATE PLUMET_FIXTURE_PLUGINS="${fixture_dir}")
