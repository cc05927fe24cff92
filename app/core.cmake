# tarvelo_core_app: non-window code of the application shell.
tarvelo_add_library(tarvelo_core_app LAYER app
  SOURCES
    BarLayout.cpp BarLayout.h
    ClockSync.cpp ClockSync.h
    Program.cpp Program.h
    RasSetup.cpp RasSetup.h
    Settings.h
    SettingsStore.cpp SettingsStore.h
    UpdateCheck.cpp UpdateCheck.h
    Watch.cpp Watch.h
    WatchState.h
    WatchView.h
  LINKS tarvelo_core_common tarvelo_core_platform tarvelo_core_archive
        tarvelo_core_dialup tarvelo_core_platform_ras tarvelo_core_platform_rasbackend
        tarvelo_core_tariff tarvelo_core_net tarvelo_core_platform_clock
)
