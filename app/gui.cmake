# The main bar, program entry and the tarvelo executable.
add_library(tarvelo_gui_app STATIC
  ProgramEntry.cpp ProgramEntry.h
  WindowSlots.h
  uMain.cpp uMain.h
  uPopup.cpp uPopup.h
)
target_link_libraries(tarvelo_gui_app PUBLIC
  tarvelo_core_app tarvelo_gui_archive tarvelo_gui_dialup tarvelo_gui_tariff tarvelo_gui_options tarvelo_gui_platform Qt6::Widgets)
target_link_libraries(tarvelo_gui INTERFACE tarvelo_gui_app)

add_executable(tarvelo main.cpp)
target_link_libraries(tarvelo PRIVATE tarvelo_gui tarvelo_dbus_platform_nm)
target_compile_definitions(tarvelo PRIVATE TARVELO_APP_ID="${TARVELO_APP_ID}")
install(TARGETS tarvelo RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
