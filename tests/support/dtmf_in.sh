#!/bin/sh
# Prints the DTMF keys multimon-ng hears in a raw recording, in order, on one line without an
# end: signed 16-bit mono at 22050 Hz, the only raw form multimon-ng decodes (other rates come
# out as nothing).
#   dtmf_in.sh RECORDING
multimon-ng -q -c -a DTMF -t raw "$1" 2>/dev/null | sed -n 's/^DTMF: //p' | tr -d '\n'
