# Layers. Every library of ours names its layer with plumet_set_layer; the
# ctest test "layering" (cmake/CheckLayers.cmake) fails when one links, or
# includes a header of, a layer above its own, and when a library outside
# tests/ names none.
#
#   base        utilities/, cutils/, platform/, media/imaging
#   codecs      sync/codecs        pure wire codecs and text decoding
#   net         sync/net           HTTP calls, page fetch, keychain, console sink
#   pluginapi   sync/pluginapi     protocol headers only: all a bundle may include
#   pluginhost  sync/pluginhost    bundle loader, registry, managers
#   model       model/             records and store
#   jobs        sync/jobs          the job shape, the activity list, every server road
#   widgets     cutils/widgets, sync/gui, shell/ (its root, web, find, views,
#               listviews, toolbars, stationery), the preferences' and updates'
#               logic, the draft editor interface, drafts/statistics,
#               media/presets: pieces any window may hold
#   editors     sourceeditor/, drafts/richeditor: the two editors a draft holds
#   windows     mainwindow/ (with difftool), drafts/, sync/activitywindow,
#               shell/preferences/gui, shell/updates/gui
#   app         the programs, shell/app: the one place that joins the windows
#   bundle      plugins/*: the plug-in API, Qt and their own common code only
#
# A layer links only layers listed above it here; base, widgets and editors
# libraries may also link others of their own layer, windows never do: one
# window opens another through the app. The plug-in API links nothing of ours.
set(PLUMET_LAYERS base codecs net pluginapi pluginhost model jobs widgets editors windows app bundle
    CACHE INTERNAL "The layers of plumet, lowest first")

function(plumet_set_layer target layer)
  if(NOT layer IN_LIST PLUMET_LAYERS)
    message(FATAL_ERROR "plumet_set_layer(${target} ${layer}): no such layer; use one of ${PLUMET_LAYERS}")
  endif()
  set_property(TARGET ${target} PROPERTY PLUMET_LAYER ${layer})
  set_property(GLOBAL APPEND PROPERTY PLUMET_LAYERED_TARGETS ${target})
endfunction()

# Our targets (layered or not) that `target` links, as name:layer ("-" for a
# target of ours without a layer). Qt, system and imported libraries are left out.
function(_plumet_links_of target out)
  get_target_property(type ${target} TYPE)
  set(raw)
  if(NOT type STREQUAL "INTERFACE_LIBRARY")
    get_target_property(direct ${target} LINK_LIBRARIES)
    if(direct)
      list(APPEND raw ${direct})
    endif()
  endif()
  get_target_property(interface ${target} INTERFACE_LINK_LIBRARIES)
  if(interface)
    list(APPEND raw ${interface})
  endif()
  set(result)
  foreach(item IN LISTS raw)
    string(REGEX REPLACE "^\\$<LINK_ONLY:(.*)>$" "\\1" item "${item}")
    if(item MATCHES "\\$<" OR NOT TARGET ${item})
      continue()
    endif()
    get_target_property(imported ${item} IMPORTED)
    if(imported)
      continue()
    endif()
    get_target_property(layer ${item} PLUMET_LAYER)
    if(NOT layer)
      set(layer "-")
    endif()
    list(APPEND result "${item}:${layer}")
  endforeach()
  list(REMOVE_DUPLICATES result)
  set(${out} "${result}" PARENT_SCOPE)
endfunction()

# The libraries of ours under `dir` (recursively) that never named a layer.
# Tests and their helpers (under tests/) need none.
function(_plumet_unlayered_libraries dir out)
  set(result)
  get_directory_property(targets DIRECTORY "${dir}" BUILDSYSTEM_TARGETS)
  foreach(target IN LISTS targets)
    get_target_property(type ${target} TYPE)
    get_target_property(layer ${target} PLUMET_LAYER)
    if(type MATCHES "_LIBRARY$" AND NOT layer)
      list(APPEND result ${target})
    endif()
  endforeach()
  get_directory_property(subdirectories DIRECTORY "${dir}" SUBDIRECTORIES)
  foreach(subdirectory IN LISTS subdirectories)
    if(subdirectory STREQUAL "${CMAKE_SOURCE_DIR}/tests" OR
       subdirectory MATCHES "^${CMAKE_SOURCE_DIR}/tests/")
      continue()
    endif()
    _plumet_unlayered_libraries("${subdirectory}" found)
    list(APPEND result ${found})
  endforeach()
  set(${out} "${result}" PARENT_SCOPE)
endfunction()

# Writes one line per layered target:
#   target|layer|source dir|links (name:layer,...)|include dirs|sources
# and one per library of ours (outside tests/) that names no layer, with the
# layer "-", for the check to refuse.
function(plumet_write_layer_graph file)
  get_property(targets GLOBAL PROPERTY PLUMET_LAYERED_TARGETS)
  set(lines)
  _plumet_unlayered_libraries("${CMAKE_SOURCE_DIR}" unlayered)
  foreach(target IN LISTS unlayered)
    get_target_property(dir ${target} SOURCE_DIR)
    list(APPEND lines "${target}|-|${dir}|||")
  endforeach()
  foreach(target IN LISTS targets)
    get_target_property(layer ${target} PLUMET_LAYER)
    get_target_property(dir ${target} SOURCE_DIR)
    get_target_property(type ${target} TYPE)
    _plumet_links_of(${target} links)
    set(includes)
    set(sources)
    if(NOT type STREQUAL "INTERFACE_LIBRARY")
      get_target_property(includes ${target} INCLUDE_DIRECTORIES)
      get_target_property(sources ${target} SOURCES)
    else()
      get_target_property(sources ${target} HEADER_SET)
    endif()
    get_target_property(interface_includes ${target} INTERFACE_INCLUDE_DIRECTORIES)
    foreach(list_name includes interface_includes sources)
      if(NOT ${list_name})
        set(${list_name})
      endif()
    endforeach()
    list(APPEND includes ${interface_includes})
    set(kept_includes)
    foreach(include IN LISTS includes)
      string(REGEX REPLACE "^\\$<BUILD_INTERFACE:(.*)>$" "\\1" include "${include}")
      if(NOT include MATCHES "\\$<")
        cmake_path(NORMAL_PATH include)
        string(REGEX REPLACE "(.)/$" "\\1" include "${include}")
        list(APPEND kept_includes "${include}")
      endif()
    endforeach()
    set(kept_sources)
    foreach(source IN LISTS sources)
      if(source MATCHES "\\.(h|cpp)$" AND NOT source MATCHES "\\$<")
        cmake_path(ABSOLUTE_PATH source BASE_DIRECTORY "${dir}" NORMALIZE)
        list(APPEND kept_sources "${source}")
      endif()
    endforeach()
    list(REMOVE_DUPLICATES kept_includes)
    string(REPLACE ";" "," links "${links}")
    string(REPLACE ";" "," kept_includes "${kept_includes}")
    string(REPLACE ";" "," kept_sources "${kept_sources}")
    list(APPEND lines "${target}|${layer}|${dir}|${links}|${kept_includes}|${kept_sources}")
  endforeach()
  string(REPLACE ";" "\n" text "${lines}")
  file(WRITE ${file} "${text}\n")
endfunction()
