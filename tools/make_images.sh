#!/usr/bin/env bash
# Regenerates resources/image_NN.png, Quirlo's built-in images, from the Tango icon theme
# (public domain, Debian package tango-icon-theme) and ImageMagick drawings. The PNG files are
# committed; run this only to change them.
set -euo pipefail
cd "$(dirname "$0")/../resources"
tango=/usr/share/icons/Tango

icon() { # id size path-below-size-dir
    cp "$tango/$2x$2/$3.png" "$(printf 'image_%02d.png' "$1")"
}

icon 0 24 actions/document-open        # window icon; load command list
icon 1 24 actions/document-save        # save command list
icon 2 24 actions/edit-clear           # clear command list
icon 3 24 actions/document-open        # load program
icon 4 24 actions/document-save        # save program
icon 5 24 actions/edit-clear           # clear program
icon 6 24 actions/media-playback-start # run
icon 7 24 actions/view-refresh         # restore the unsorted order
icon 8 24 actions/media-playback-stop  # stop
icon 9 24 actions/edit-find-replace    # prepare: parameters into the placeholders
icon 10 24 status/network-idle         # port open
icon 11 24 status/network-offline      # port closed
icon 12 24 actions/edit-clear          # clear protocol
icon 13 24 actions/document-save       # save protocol
icon 14 16 actions/go-next             # protocol line: command
icon 15 16 actions/mail-send-receive   # protocol line: query
icon 16 16 actions/go-previous         # protocol line: response
icon 19 24 actions/system-log-out      # quit
icon 20 24 apps/help-browser           # help
icon 21 24 status/dialog-information   # program info
icon 22 24 mimetypes/x-office-spreadsheet # Excel (not available)
icon 23 16 devices/network-wired       # port
icon 24 24 actions/edit-paste          # clipboard
icon 25 16 actions/system-search       # search
icon 26 16 actions/system-lock-screen  # port authorisation
icon 28 24 status/dialog-warning       # table limits exceeded
icon 29 16 actions/system-search       # rediscover ports
icon 30 24 actions/format-justify-fill # fit column widths
icon 31 24 actions/document-open       # load device settings
icon 32 24 actions/document-save       # save device settings
icon 33 24 mimetypes/text-x-generic    # program info: none yet
icon 34 24 apps/accessories-text-editor # program info: present
icon 35 24 actions/document-open       # load settings file
icon 36 24 actions/document-save       # save settings file
icon 37 32 status/dialog-information   # pause info
icon 38 24 actions/media-playback-pause # pause
icon 39 24 devices/computer            # spare
icon 40 24 status/audio-volume-high    # beep test

# Table limits kept: a green dot.
convert -size 24x24 xc:none -fill '#4e9a06' -stroke '#2e6a00' -strokewidth 1.5 \
    -draw 'circle 12,12 12,4' image_27.png

# The logo, 142x32: a serial plug and the name.
logo() {
    convert -size 142x32 xc:none \
        -fill '#204a87' -draw 'roundrectangle 1,1 140,30 6,6' \
        -fill '#fcaf3e' -draw 'roundrectangle 7,9 33,23 3,3' \
        -fill '#204a87' -draw 'circle 12,14 12,12.5' -draw 'circle 17,14 17,12.5' \
        -draw 'circle 22,14 22,12.5' -draw 'circle 27,14 27,12.5' \
        -draw 'circle 14.5,18.5 14.5,17' -draw 'circle 19.5,18.5 19.5,17' -draw 'circle 24.5,18.5 24.5,17' \
        -font DejaVu-Sans-Bold -pointsize 19 -fill white -annotate +42+23 'Quirlo' \
        -define png:exclude-chunks=date,time "$1"
}
logo image_17.png
logo image_18.png

# Window backgrounds: quiet vertical gradients that tile across the window.
background() { # id top bottom
    convert -size 16x800 "gradient:$2-$3" -define png:exclude-chunks=date,time \
        "$(printf 'image_%02d.png' "$1")"
}
background 41 '#f4f8f1' '#dfe8d8' # protocol window
background 42 '#f3f6fa' '#dbe3ee' # program window
background 43 '#faf7f0' '#e9e2d2' # command list and about windows

# Diagram: axes and a rising curve with points.
convert -size 24x24 xc:none -stroke '#2e3436' -strokewidth 1.5 -draw 'line 3,2 3,21' -draw 'line 3,21 22,21' \
    -stroke '#204a87' -strokewidth 2 -fill none -draw 'polyline 5,18 9,14 13,15 17,8 21,4' \
    -stroke none -fill '#cc0000' -draw 'circle 9,14 9,12.6' -draw 'circle 17,8 17,6.6' \
    -define png:exclude-chunks=date,time image_44.png

# Direct input: a terminal with a prompt.
convert -size 24x24 xc:none -fill '#2e3436' -stroke '#555753' -strokewidth 1 -draw 'roundrectangle 1,3 22,20 2,2' \
    -stroke '#8ae234' -strokewidth 1.6 -fill none -draw 'polyline 5,8 9,11.5 5,15' -draw 'line 11,16 17,16' \
    -define png:exclude-chunks=date,time image_45.png
