# Run by ac3d_tcl: prints the ANSI code page, whether initialisation sourced
# rilo.tcl (pjtrilo_dialog exists), the file its source command names and
# whether a folder named "[set pwned 1]" was evaluated instead.
fconfigure stdout -encoding utf-8 -translation lf
puts "codepage [host codepage]"
puts "sourced [expr {[info procs pjtrilo_dialog] ne ""}]"
puts "path [lindex [lindex [host tcl_log] 0] 1]"
puts [expr {[info exists ::pwned] ? "evaluated the name" : "evaluated nothing"}]
