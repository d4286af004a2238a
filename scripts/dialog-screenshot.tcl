# The picture for docs/dialog.md, from standin --gui examples/banner.ac: the Rilo
# dialog about to ripple the banner, saved to $RILO_SCREENSHOT.  The main
# window's pictures are scripts/window-screenshot.tcl's.
set ::standin::gui::modal_messages 0
wm geometry . 980x640
update
source [file join [file dirname [info script]] banner-dialog.tcl]
open_banner_dialog
.rilo.f.wave.frequency selection clear
.rilo.f.wave.frequency icursor end
update
exec import -window [wm frame .rilo] $::env(RILO_SCREENSHOT)
exit 0
