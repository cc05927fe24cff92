# The main bar, program entry and the tarvelo executable.
tarvelo_add_library(tarvelo_gui_app LAYER main-bar QT Widgets
  SOURCES
    MainWindows.cpp MainWindows.h
    ProgramEntry.cpp ProgramEntry.h
    WindowContexts.cpp WindowContexts.h
    WindowSlots.h
    uMain.cpp uMain.h
    uPopup.cpp uPopup.h
  LINKS tarvelo_core_app tarvelo_gui_archive tarvelo_gui_dialup tarvelo_gui_tariff
        tarvelo_gui_options tarvelo_gui_platform
)

tarvelo_add_program(tarvelo SOURCES main.cpp LINKS tarvelo_gui tarvelo_dbus_platform_nm)
target_compile_definitions(tarvelo PRIVATE TARVELO_APP_ID="${TARVELO_APP_ID}")
install(TARGETS tarvelo RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
