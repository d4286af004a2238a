# What the screenshot scripts share, in standin --gui examples/banner.ac:
# the banner selected by a click on it, and the Rilo dialog open to ripple it.
proc object_id {name} {
    foreach id [standin objects] {
        if {[dict get [standin info $id] name] eq $name} {
            return $id
        }
    }
    error "no object $name"
}

proc open_banner_dialog {} {
    lassign [::standin::view point [object_id banner] 87] x y
    event generate .view <ButtonPress-1> -x [expr {round($x)}] -y [expr {round($y)}]
    event generate .view <ButtonRelease-1> -x [expr {round($x)}] -y [expr {round($y)}]
    update
    .menubar.tools invoke Rilo...
    set ::rilo::ui(amp_axis) z
    set ::rilo::ui(frequency) 1.5
    set ::rilo::ui(amplitude) 0.25
    set ::rilo::ui(freq_units) 0
}
