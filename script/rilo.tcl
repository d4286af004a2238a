# The Rilo dialog: collects the seven parameters and runs pjtrilo_go.

namespace eval ::rilo {
    variable freq_axis x
    variable amp_axis y
    variable frequency 1
    variable amplitude 1
    variable offset 0
    variable additive 1
    variable freq_units 1
}

proc pjtrilo_dialog {} {
    namespace upvar ::rilo freq_axis fa amp_axis aa frequency f amplitude a offset o additive add freq_units fu
    pjtrilo_go $fa $aa $f $a $o $add $fu
}
