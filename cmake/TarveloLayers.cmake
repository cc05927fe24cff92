# Every library of the program belongs to a layer, and dependencies point only
# down. The layers, from the bottom up:
#
#   common        date-times, length-prefixed text, record codecs, formats,
#                 the prompt and clock interfaces
#   platform      the thin layers over the system: whole-file I/O and locks,
#                 settings file, single instance, shell, version information,
#                 system clock, the dial-up service interface and its
#                 backends (simulated, pppd, NetworkManager)
#   net           the HTTP and daytime clients
#   archive       connection record, archive file, selection, saved queries,
#                 report
#   tariff        profiles, holiday calendar, cost engine, re-pricing of
#                 stored connections (it writes into the archive)
#   dialup        dial-up layer, provider records, the automatic dialler's run
#   app           settings store, connection watch, the program object
#   options       the options window's values and provider page
#   tools         the command-line tool's commands, the fuzz targets
#   gui-platform  message boxes, tray icon, pictures, desktop opener
#   windows       the windows of each subsystem, one library per subsystem
#   main-bar      the main bar and the program entry
#
# A library links, and includes headers of, only libraries of its own layer or
# of layers below it. Within `platform` the backends build on the service
# interface and on one another; the window libraries never link one another
# (a window opens another through a hook the main bar fills in).
#
# The layers common..tools are the core, built on QtCore alone: QtNetwork
# only for the internet clients, QtDBus only for the NetworkManager backend,
# which no other library builds on (the programs hand it in). The `layering`
# test checks all this (cmake/CheckLayers.cmake) on the manifest that
# tarvelo_write_layer_manifest() writes.
#
# Every include is written from the source root ("archive/ConnRecord.h"), so
# each library gives the root as its include directory; nothing is global.

set(TARVELO_LAYERS
    common platform net archive tariff dialup app options tools gui-platform windows main-bar)
set(TARVELO_CORE_LAYERS common platform net archive tariff dialup app options tools)
# Layers whose libraries may link one another.
set(TARVELO_SHARED_LAYERS platform)
# Qt modules beyond QtCore that a core library may link, as library=Module.
set(TARVELO_CORE_QT_ALLOWED tarvelo_core_net=Network tarvelo_dbus_platform_nm=DBus)
# Qt modules no other core library may build on: their library is handed in
# by the programs.
set(TARVELO_QT_KEPT_APART DBus)
# Violations the check tolerates for now, one "<library> links <library>" or
# "<file> includes <header>" each. The check fails on an entry that no longer
# happens, so the list only shrinks.
set(TARVELO_LAYERING_KNOWN)

# Aggregates for the programs and the tests of whole windows: tarvelo_core
# holds the core libraries of the layers common..options, tarvelo_gui those
# and every window library.
add_library(tarvelo_core INTERFACE)
add_library(tarvelo_gui INTERFACE)
target_link_libraries(tarvelo_gui INTERFACE tarvelo_core)

# tarvelo_add_library(<name> LAYER <layer> [QT <module>...] [APART]
#                     SOURCES <file>... [LINKS <library>...])
# A static library of the layer, linking QtCore, the Qt modules named by QT
# and LINKS (all PUBLIC). APART keeps it out of the aggregates.
function(tarvelo_add_library name)
  cmake_parse_arguments(L "APART" "LAYER" "QT;SOURCES;LINKS" ${ARGN})
  if(L_UNPARSED_ARGUMENTS)
    message(FATAL_ERROR "tarvelo_add_library(${name}): unknown arguments ${L_UNPARSED_ARGUMENTS}")
  endif()
  if(NOT L_LAYER IN_LIST TARVELO_LAYERS)
    message(FATAL_ERROR "tarvelo_add_library(${name}): LAYER must be one of ${TARVELO_LAYERS}")
  endif()
  set(qt Qt6::Core)
  foreach(module IN LISTS L_QT)
    list(APPEND qt Qt6::${module})
  endforeach()
  add_library(${name} STATIC ${L_SOURCES})
  target_link_libraries(${name} PUBLIC ${L_LINKS} ${qt})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR})
  set_target_properties(${name} PROPERTIES TARVELO_LAYER ${L_LAYER})
  set_property(GLOBAL APPEND PROPERTY TARVELO_LIBRARIES ${name})
  if(NOT L_APART)
    if(L_LAYER IN_LIST TARVELO_CORE_LAYERS)
      if(NOT L_LAYER STREQUAL "tools")
        target_link_libraries(tarvelo_core INTERFACE ${name})
      endif()
    else()
      target_link_libraries(tarvelo_gui INTERFACE ${name})
    endif()
  endif()
endfunction()

# tarvelo_add_program(<name> [CORE] SOURCES <file>... LINKS <library>...)
# An executable whose includes the check follows like a library's. CORE: a
# program without windows, whose libraries must hold no QtGui, QtWidgets or
# QtPrintSupport.
function(tarvelo_add_program name)
  cmake_parse_arguments(P "CORE" "" "SOURCES;LINKS" ${ARGN})
  if(P_UNPARSED_ARGUMENTS)
    message(FATAL_ERROR "tarvelo_add_program(${name}): unknown arguments ${P_UNPARSED_ARGUMENTS}")
  endif()
  add_executable(${name} ${P_SOURCES})
  target_link_libraries(${name} PRIVATE ${P_LINKS})
  set_target_properties(${name} PROPERTIES TARVELO_PROGRAM_CORE "${P_CORE}")
  set_property(GLOBAL APPEND PROPERTY TARVELO_PROGRAMS ${name})
endfunction()

# Every build-system target of dir and the folders below it.
function(tarvelo_targets_below dir out)
  get_property(targets DIRECTORY ${dir} PROPERTY BUILDSYSTEM_TARGETS)
  get_property(subdirs DIRECTORY ${dir} PROPERTY SUBDIRECTORIES)
  foreach(sub IN LISTS subdirs)
    tarvelo_targets_below(${sub} more)
    list(APPEND targets ${more})
  endforeach()
  set(${out} ${targets} PARENT_SCOPE)
endfunction()

# The absolute paths of a target's sources.
function(tarvelo_target_sources target out)
  get_target_property(sources ${target} SOURCES)
  get_target_property(dir ${target} SOURCE_DIR)
  set(paths)
  foreach(s IN LISTS sources)
    if(s MATCHES "^\\$<")
      continue()
    endif()
    cmake_path(ABSOLUTE_PATH s BASE_DIRECTORY ${dir} NORMALIZE OUTPUT_VARIABLE p)
    list(APPEND paths ${p})
  endforeach()
  set(${out} ${paths} PARENT_SCOPE)
endfunction()

# A target's link items without the scope markers CMake adds to links made
# from another folder.
function(tarvelo_target_links target property out)
  get_target_property(items ${target} ${property})
  set(links)
  foreach(item IN LISTS items)
    if(NOT item MATCHES "^::@")
      list(APPEND links ${item})
    endif()
  endforeach()
  set(${out} ${links} PARENT_SCOPE)
endfunction()

# Writes what cmake/CheckLayers.cmake reads: the layers and rules above, and
# per library its layer, sources and links; per program its sources and
# links. Libraries named tarvelo_* made without tarvelo_add_library outside
# tests/ are listed as unlayered, which the check refuses.
function(tarvelo_write_layer_manifest file)
  get_property(libraries GLOBAL PROPERTY TARVELO_LIBRARIES)
  get_property(programs GLOBAL PROPERTY TARVELO_PROGRAMS)
  set(m "# Written by cmake/TarveloLayers.cmake; read by cmake/CheckLayers.cmake.\n")
  foreach(var TARVELO_LAYERS TARVELO_CORE_LAYERS TARVELO_SHARED_LAYERS TARVELO_CORE_QT_ALLOWED
              TARVELO_QT_KEPT_APART TARVELO_LAYERING_KNOWN)
    string(APPEND m "set(${var} \"${${var}}\")\n")
  endforeach()
  string(APPEND m "set(TARVELO_LIBRARIES \"${libraries}\")\n")
  string(APPEND m "set(TARVELO_PROGRAMS \"${programs}\")\n")
  string(APPEND m "set(TARVELO_AGGREGATES \"tarvelo_core;tarvelo_gui\")\n")
  foreach(aggregate tarvelo_core tarvelo_gui)
    tarvelo_target_links(${aggregate} INTERFACE_LINK_LIBRARIES links)
    string(APPEND m "set(${aggregate}_LINKS \"${links}\")\n")
  endforeach()
  foreach(target IN LISTS libraries programs)
    if(target IN_LIST libraries)
      get_target_property(layer ${target} TARVELO_LAYER)
      string(APPEND m "set(${target}_LAYER \"${layer}\")\n")
    else()
      get_target_property(core ${target} TARVELO_PROGRAM_CORE)
      string(APPEND m "set(${target}_CORE \"${core}\")\n")
    endif()
    tarvelo_target_links(${target} LINK_LIBRARIES links)
    tarvelo_target_sources(${target} sources)
    string(APPEND m "set(${target}_LINKS \"${links}\")\n")
    string(APPEND m "set(${target}_SOURCES \"${sources}\")\n")
  endforeach()
  tarvelo_targets_below(${PROJECT_SOURCE_DIR} targets)
  set(tests_dir ${PROJECT_SOURCE_DIR}/tests)
  set(unlayered)
  foreach(t IN LISTS targets)
    get_target_property(type ${t} TYPE)
    get_target_property(dir ${t} SOURCE_DIR)
    get_target_property(layer ${t} TARVELO_LAYER)
    cmake_path(IS_PREFIX tests_dir "${dir}" NORMALIZE in_tests)
    if(t MATCHES "^tarvelo_" AND type MATCHES "_LIBRARY$" AND NOT type STREQUAL "INTERFACE_LIBRARY"
       AND NOT layer AND NOT in_tests)
      list(APPEND unlayered ${t})
    endif()
  endforeach()
  string(APPEND m "set(TARVELO_UNLAYERED \"${unlayered}\")\n")
  file(WRITE ${file} "${m}")
endfunction()
