# The picture for docs/dialog.md, from standin --gui examples/banner.ac: the Rilo
# dialog about to ripple the banner, saved to $RILO_SCREENSHOT; with
# $RILO_WINDOW_SCREENSHOT set, the main window with the rippled banner after.
set ::standin::gui::modal_messages 0
wm geometry . 980x640
update
foreach id [standin objects] {
    if {[dict get [standin info $id] name] eq "banner"} {
        set banner $id
    }
}
lassign [::standin::view point $banner 87] x y
event generate .view <ButtonPress-1> -x [expr {round($x)}] -y [expr {round($y)}]
event generate .view <ButtonRelease-1> -x [expr {round($x)}] -y [expr {round($y)}]
update
.menubar.tools invoke Rilo...
set ::rilo::ui(amp_axis) z
set ::rilo::ui(frequency) 1.5
set ::rilo::ui(amplitude) 0.25
set ::rilo::ui(freq_units) 0
.rilo.f.wave.frequency selection clear
.rilo.f.wave.frequency icursor end
update
exec import -window [wm frame .rilo] $::env(RILO_SCREENSHOT)
if {![info exists ::env(RILO_WINDOW_SCREENSHOT)]} {
    exit 0
}
.rilo.f.buttons.ok invoke
update
after 200
update
exec import -window [wm frame .] $::env(RILO_WINDOW_SCREENSHOT)
exit 0
