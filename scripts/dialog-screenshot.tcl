# Opens the Rilo dialog in standin --gui and saves a picture of it to the
# file named by the RILO_SCREENSHOT environment variable.
set id [standin object strip]
for {set i 0} {$i <= 40} {incr i} {
    standin vertex $id [expr {$i / 20.0}] 0 0
}
standin select objects strip
.menubar.tools invoke Rilo...
set ::rilo::ui(frequency) 1.5
set ::rilo::ui(amplitude) 0.25
set ::rilo::ui(freq_units) 0
.rilo.f.wave.frequency selection clear
update
exec import -window [wm frame .rilo] $::env(RILO_SCREENSHOT)
exit 0
