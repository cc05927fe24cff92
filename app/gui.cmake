# tarvelo_gui_app and the tarvelo executable: added with the main bar.
