# tarvelo_core_app: added with the settings store.
