What describe and replay print for the built module, whole. STUDY_HOST is
the built tool (run by STUDY_HOST_RUNNER, wine in the Windows build), MODULE
the built module, SOURCE_DIR the project (for its example session). CRs of
Windows line ends are dropped.

  $ set -o pipefail
  $ study_host() {
  >   { $STUDY_HOST_RUNNER "$STUDY_HOST" "$@" 2>&1 1>&3 3>&- | sed 's/^/stderr: /'; } 3>&1 |
  >     tr -d '\r'
  > }

describe shows the declaration in a trader's words:

  $ study_host describe "$MODULE"
  module:            *zrPalvessa_64.* (glob)
  name:              zrPalvessa
  interface version: 2683
  study function:    scsf_zrPalvessa
  display name:      zr: Palvessa
  description:       zr: Palvessa by zrPalvessa developers <https://github.com/zrpalvessa/zrPalvessa>
  
                     This Study Automatically Updates your Trade Window Order Quantity based on Flat vs Open positions.
  inputs:            6
  
  #  input                                          takes         default  allowed   description
  0  Enabled                                        yes/no        no       -         Enable or Disable the Study
  1  Position Qty While Flat                        whole number  4        -         This is your default qty you want to enter a position with.
  2  Position Qty During Trade                      whole number  1        -         After your orders are filled, this is the NEW position qty.
  3  Scale Out of Position                          yes/no        no       -         -
  4  Scale Out Percentage                           whole number  50       1 to 100  -
  5  Round Scale Out Quantity Down (default is up)  yes/no        no       -         -

The example session, scaling out at 50 % and rounding up:

  $ study_host replay "$MODULE" --set Enabled=yes "--set=Scale Out of Position=yes" --file "$SOURCE_DIR/example-session.csv"
  step  position  order quantity
  1     0         4
  2     0         4
  3     4         2
  4     4         2
  5     2         1
  6     1         1
  7     -3        2
  8     -3        2
  9     -1        1
  10    0         4

A study that is not enabled leaves the quantity as it is; a replay that
changed nothing names the yes/no input that is off:

  $ study_host replay "$MODULE" --positions 1,0
  step  position  order quantity
  1     1         unchanged
  2     0         unchanged
  stderr: study-host: note: the study left the order quantity unchanged at every step; its yes/no input "Enabled" is off (to turn it on: --set "Enabled=yes")

One JSON object a step:

  $ study_host replay "$MODULE" --positions 0,-2.5 --json=1 --set Enabled=1 "--set=Position Qty During Trade=7"
  {"step":1,"position":0,"written":true,"order_quantity":4}
  {"step":2,"position":-2.5,"written":true,"order_quantity":7}

The host's own request for the in-trade quantity is honoured, enabled or not:

  $ study_host replay "$MODULE" --positions 3 --host-call-flag "--set=Position Qty During Trade=7"
  step  position  order quantity
  1     3         7

Characters whose meaning in a number is certain are read as such: the
typographic minus, full-width digits and signs; one that only looks like
part of a number is named:

  $ study_host replay "$MODULE" --set Enabled=yes --positions "０,３,−２,－１．５" --json
  {"step":1,"position":0,"written":true,"order_quantity":4}
  {"step":2,"position":3,"written":true,"order_quantity":1}
  {"step":3,"position":-2,"written":true,"order_quantity":1}
  {"step":4,"position":-1.5,"written":true,"order_quantity":1}
  $ study_host replay "$MODULE" --set Enabled=yes --set "Position Qty While Flat=−３" --positions 0 --timeout １０
  step  position  order quantity
  1     0         -3
  $ study_host replay "$MODULE" --positions "1,–2"
  stderr: study-host: position 2 of --positions ('\u20132') is not a number (\u2013 is an en dash, not a minus sign: type - instead)
  [2]
  $ study_host replay "$MODULE" --set "Scale Out Percentage=5٠"  --positions 1
  stderr: study-host: value '5٠' for "Scale Out Percentage" is not a whole number (٠ (U+0660) is no character numbers are written with: use 0 to 9)
  [2]

A position wider than its column widens it: a list from the start, a
session's from that step on, the header written again above it:

  $ study_host replay "$MODULE" --set Enabled=yes --positions 0,123456789.25,-1
  step  position      order quantity
  1     0             4
  2     123456789.25  1
  3     -1            1
  $ printf 'position\n0\n0.0000001234\n-1\n' | study_host replay "$MODULE" --set Enabled=yes --file -
  step  position  order quantity
  1     0         4
  step  position   order quantity
  2     1.234e-07  1
  3     -1         1

A chart of a session sent on standard input is titled so:

  $ study_host replay "$MODULE" --file - --chart sent.svg < "$SOURCE_DIR/example-session.csv" | grep chart
  stderr: study-host: the chart is in sent.svg: open it with a web browser
  $ grep -o '<title>[^<]*' sent.svg
  <title>zrPalvessa_64.* replayed with standard input (re)
