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

A study that is not enabled leaves the quantity as it is, and says so once:

  $ study_host replay "$MODULE" --positions 1,0
  note: "Enabled" is off, so the study leaves the order quantity unchanged (to turn it on: --set "Enabled=yes")
  step  position  order quantity
  1     1         unchanged
  2     0         unchanged

One JSON object a step:

  $ study_host replay "$MODULE" --positions 0,-2.5 --json=1 --set Enabled=1 "--set=Position Qty During Trade=7"
  {"step":1,"position":0,"written":true,"order_quantity":4}
  {"step":2,"position":-2.5,"written":true,"order_quantity":7}

The host's own request for the in-trade quantity is honoured, enabled or not:

  $ study_host replay "$MODULE" --positions 3 --host-call-flag "--set=Position Qty During Trade=7"
  step  position  order quantity
  1     3         7
