# Run by the Windows host with Tcl (tclhost/ac3d.exe) for
# scripts/dialog-windows-screenshot.sh: opens the Rilo dialog through the
# menu entry with one entry holding text that is not a number, writes the
# dialog's outer frame as "X Y WIDTH HEIGHT" to the file argv names, and
# stays until that file is removed.
package require Tk
wm withdraw .
host object plate {0 0 0  1 0.1 0.35  1.1 1 0.7  0.1 1.2 1.45}
host select plate
host choose Rilo...
set d .rilo.f
$d.axes.amp_z invoke
$d.wave.amplitude delete 0 end
$d.wave.amplitude insert 0 0.25
$d.wave.frequency delete 0 end
$d.wave.frequency insert 0 fast
$d.wave.frequency icursor end
focus $d.wave.frequency
update
after 1000
update

# The outer frame: wm geometry places its corner, the client area sits
# inside the border and below the title.
regexp {\+(-?\d+)\+(-?\d+)$} [wm geometry .rilo] -> x y
set border [expr {[winfo rootx .rilo] - $x}]
set width [expr {[winfo width .rilo] + 2 * $border}]
set height [expr {[winfo rooty .rilo] - $y + [winfo height .rilo] + $border}]
set file [lindex $argv 0]
set out [open $file.part w]
puts $out "$x $y $width $height"
close $out
file rename -force $file.part $file
proc wait_for_capture {file} {
    if {[file exists $file]} {
        after 200 [list wait_for_capture $file]
    } else {
        set ::captured 1
    }
}
wait_for_capture $file
vwait captured
