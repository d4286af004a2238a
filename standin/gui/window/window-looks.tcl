# The main window's looks (sourced by window.tcl): the textures the
# model's objects name, found beside the model, read as Tk photo images
# (with the Img extension's formats: JPEG, SGI, BMP, TGA, ...) and handed
# to ::standin::view, which keeps their texels and draws them.
#
# This file's state, looks(...):
#   img   whether the Img extension is loaded: 1 yes, -1 not to be had,
#         0 not asked for yet (only a model with textures asks)
# Its procedures for the others: follow_looks.
namespace eval ::standin::gui {
    variable looks
    array set looks {img 0}
}

# Gives the view the textures the model's objects name that it has had
# neither given nor refused since the model was opened: asked at each
# following of the scene, and nothing to do but for a model just opened.
# Those that cannot be read are named once, in the status line.
proc ::standin::gui::follow_looks {} {
    set wanted [::standin::view textures]
    if {![llength $wanted]} return
    set path [dict get [standin file] path]
    set folder [expr {$path eq "" ? [pwd] : [file dirname $path]}]
    set missing {}
    foreach name $wanted {
        set problem [give_texture $name $folder]
        if {$problem ne ""} {
            lappend missing [list [file tail [string map {\\ /} $name]] $problem]
        }
    }
    # Said after what the opening says (a repaired model's warnings).
    if {[llength $missing] == 1} {
        lassign [lindex $missing 0] name problem
        after 0 [list ::standin::gui::say "cannot read texture $name: $problem (faces keep their colour)"]
    } elseif {[llength $missing] > 1} {
        set names [lmap item [lrange $missing 0 3] {lindex $item 0}]
        if {[llength $missing] > 4} {
            lappend names ...
        }
        after 0 [list ::standin::gui::say \
            "cannot read [llength $missing] textures: [join $names {, }] (faces keep their colour)"]
    }
}

# Reads the texture NAME for the view: "" once given, else why it cannot
# be (and the view is told that it cannot).
proc ::standin::gui::give_texture {name folder} {
    require_img
    set file [texture_file $name $folder]
    if {$file eq ""} {
        set problem "no such file"
    } elseif {[set problem [too_large $file]] ne ""} {
        # Tk would try to hold every texel, and end the program where it cannot.
    } elseif {[catch {image create photo -file $file} photo]} {
        set problem [expr {[string match "couldn't recognize*" $photo] ? "not an image of a kind it reads" : $photo}]
    } else {
        try {
            ::standin::view texture $name $photo
        } finally {
            image delete $photo
        }
        return ""
    }
    ::standin::view texture $name {}
    return $problem
}

# Where the texture NAME is: the name as written (backslashes taken for
# slashes) from the model's FOLDER, else its last name in that folder or
# in a textures folder beside the model; "" when nowhere.
proc ::standin::gui::texture_file {name folder} {
    set slashed [string map {\\ /} $name]
    set last [file tail $slashed]
    foreach file [list [file join $folder $slashed] [file join $folder $last] [file join $folder textures $last] \
            [file join $folder Textures $last]] {
        if {[file isfile $file] && [file readable $file]} {
            return $file
        }
    }
    return ""
}

# Why the texture in FILE is too large to read, from the size its header
# states, or "" (also for a header that states none: the reader decides).
proc ::standin::gui::too_large {file} {
    set size [texture_size $file]
    if {![llength $size]} {
        return ""
    }
    lassign $size width height
    if {$width <= 8192 && $height <= 8192} {
        return ""
    }
    return "too large ($width x $height texels; at most 8192 x 8192)"
}

# {WIDTH HEIGHT} as the header of the image in FILE states them, for PNG,
# GIF, BMP, SGI, JPEG and TGA; {} for anything else or a header cut short.
proc ::standin::gui::texture_size {file} {
    if {[catch {open $file {RDONLY NONBLOCK}} f]} {
        return {}
    }
    try {
        fconfigure $f -translation binary
        set head [read $f 65536]
    } finally {
        close $f
    }
    if {[string match "\x89PNG*" $head] && [binary scan $head @16IuIu w h] == 2} {
        return [list $w $h]
    } elseif {[string match "GIF8*" $head] && [binary scan $head @6susu w h] == 2} {
        return [list $w $h]
    } elseif {[string match "BM*" $head] && [binary scan $head @18ii w h] == 2} {
        return [list [expr {abs($w)}] [expr {abs($h)}]]
    } elseif {[string match "\x01\xda*" $head] && [binary scan $head @6SuSu w h] == 2} {
        return [list $w $h]
    } elseif {[string match "\xff\xd8*" $head]} {
        return [jpeg_size $head]
    } elseif {[string match -nocase *.tga $file] && [binary scan $head @12susu w h] == 2} {
        return [list $w $h]
    }
    return {}
}

# The size a JPEG's frame header states, from the segments in HEAD: each
# step moves past one segment (at least its two bytes of length), so the
# walk ends at HEAD's end at the latest.
proc ::standin::gui::jpeg_size {head} {
    set at 2
    while {[binary scan $head @${at}cucuSu mark kind length] == 3 && $mark == 0xff && $length >= 2} {
        if {$kind >= 0xc0 && $kind <= 0xcf && $kind ni {0xc4 0xc8 0xcc}} {
            if {[binary scan $head @[expr {$at + 5}]SuSu h w] == 2} {
                return [list $w $h]
            }
            return {}
        }
        incr at [expr {2 + $length}]
    }
    return {}
}

# Tk's photo images with the Img extension's formats, where it is installed.
proc ::standin::gui::require_img {} {
    variable looks
    if {$looks(img) == 0} {
        set looks(img) [expr {[catch {package require Img}] ? -1 : 1}]
    }
    return
}
