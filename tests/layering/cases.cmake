# The layering check's own cases, chosen by -DCASE=<name>: each starts from
# the tree of base.cmake and breaks one rule, or none. LAYERING_EXPECT is what
# the check must say as it fails; empty: it must pass.
include(${CMAKE_CURRENT_LIST_DIR}/base.cmake)
set(LAYERING_CASES
    clean known-tolerated upward-link upward-include include-without-link unlisted-header core-links-widgets dbus-outside-nm window-links-window program-with-widgets aggregate-link unlayered known-stale)

if(CASE STREQUAL "clean")
  # Nothing broken: the check passes.
  set(LAYERING_EXPECT "")
elseif(CASE STREQUAL "known-tolerated")
  # A violation the known list names is reported but does not fail.
  list(APPEND tarvelo_gui_archive_LINKS tarvelo_gui_tariff)
  set(TARVELO_LAYERING_KNOWN "tarvelo_gui_archive links tarvelo_gui_tariff")
  set(LAYERING_EXPECT "")
elseif(CASE STREQUAL "upward-link")
  # The archive links the application library above it.
  list(APPEND tarvelo_core_archive_LINKS tarvelo_core_app)
  set(LAYERING_EXPECT "tarvelo_core_archive \\(archive\\) links tarvelo_core_app \\(app\\), a layer above its own")
elseif(CASE STREQUAL "upward-include")
  # An archive source includes a header of the application library.
  list(APPEND tarvelo_core_archive_SOURCES "${SOURCE_DIR}/archive/Upward.cpp")
  set(LAYERING_EXPECT "archive/Upward.cpp:3: includes app/Watch.h of tarvelo_core_app \\(app\\): a layer above tarvelo_core_archive")
elseif(CASE STREQUAL "include-without-link")
  # The tariff library includes an archive header without linking the archive.
  set(tarvelo_core_tariff_LINKS "tarvelo_core_common;Qt6::Core")
  set(LAYERING_EXPECT "tariff/Price.cpp:1: includes archive/Record.h of tarvelo_core_archive \\(archive\\): tarvelo_core_tariff does not link it")
elseif(CASE STREQUAL "unlisted-header")
  # A source includes a header that no library lists.
  list(APPEND tarvelo_core_app_SOURCES "${SOURCE_DIR}/app/Stray.cpp")
  set(LAYERING_EXPECT "app/Stray.cpp:1: includes app/Missing.h, which no library lists")
elseif(CASE STREQUAL "core-links-widgets")
  # A core library links QtWidgets.
  list(APPEND tarvelo_core_tariff_LINKS Qt6::Widgets)
  set(LAYERING_EXPECT "tarvelo_core_tariff links Qt6::Widgets: a core library \\(tariff\\) links QtCore only")
elseif(CASE STREQUAL "dbus-outside-nm")
  # A core library builds on the NetworkManager backend and so on QtDBus.
  list(APPEND tarvelo_core_app_LINKS tarvelo_dbus_platform_nm)
  set(LAYERING_EXPECT "tarvelo_core_app builds on tarvelo_dbus_platform_nm, which links Qt modules the core keeps apart")
elseif(CASE STREQUAL "window-links-window")
  # One window library links another.
  list(APPEND tarvelo_gui_archive_LINKS tarvelo_gui_tariff)
  set(LAYERING_EXPECT "tarvelo_gui_archive links tarvelo_gui_tariff: libraries of the layer windows never link one another")
elseif(CASE STREQUAL "program-with-widgets")
  # The command-line program builds on a window library.
  list(APPEND tarvelo-cli_LINKS tarvelo_gui_archive)
  set(LAYERING_EXPECT "tarvelo-cli is a program without windows, but builds on Qt6::Widgets")
elseif(CASE STREQUAL "aggregate-link")
  # A library links an aggregate instead of naming what it needs.
  list(APPEND tarvelo_gui_tariff_LINKS tarvelo_core)
  set(LAYERING_EXPECT "tarvelo_gui_tariff links the aggregate tarvelo_core")
elseif(CASE STREQUAL "unlayered")
  # A library made without a layer.
  set(TARVELO_UNLAYERED "tarvelo_core_extra")
  set(LAYERING_EXPECT "tarvelo_core_extra has no layer")
elseif(CASE STREQUAL "known-stale")
  # An entry of the known list that no longer happens fails the check.
  set(TARVELO_LAYERING_KNOWN "tarvelo_gui_archive links tarvelo_gui_tariff")
  set(LAYERING_EXPECT "tarvelo_gui_archive links tarvelo_gui_tariff. no longer happens")
endif()
