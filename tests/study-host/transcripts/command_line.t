The tool's command line as a user meets it: what it prints, standard error
marked, and its exit code in brackets when not 0. STUDY_HOST is the built
tool (run by STUDY_HOST_RUNNER, wine in the Windows build), MODULE the built
module. Under wine the tool ends its lines as Windows does, with CR LF:
the CRs are dropped here.

  $ set -o pipefail
  $ study_host() {
  >   { $STUDY_HOST_RUNNER "$STUDY_HOST" "$@" 2>&1 1>&3 3>&- | sed 's/^/stderr: /'; } 3>&1 |
  >     tr -d '\r'
  > }

Help, version and the words that ask for the usage:

  $ study_host --help | head -n 3
  Tries a study module outside the trading host: shows what it declares, replays positions through it, and checks it against the host's rules. The module never runs inside the tool itself, so a faulty module cannot take the tool down.
  Usage: study-host [OPTIONS] SUBCOMMAND
  
  $ study_host --help | sed -n '/^exit codes:/,$p'
  exit codes:
    0  success (validate: no check failed; warnings and skipped checks allowed)
    1  validate: at least one check failed; replay: a step did not get the quantity its session expects
    2  bad command line, input setting or position list
    3  the module is missing or cannot be loaded, lacks an export, expects another interface version, or crashed, hung, ended early or left a process running
    4  the session file cannot be opened or read, is malformed, or is no session (a workbook, an archive, a PDF, a web page)
    5  the output could not be written (a full disk, a closed pipe, standard output closed)
    6  the tool itself failed (out of memory, an internal error): not the module's fault
    130  stopped by Ctrl+C (129: its terminal closed, 143: asked to end; on Windows 0xC000013A), leaving no file half-written
  $ study_host replay --help | sed -n 2p
  Usage: study-host replay [OPTIONS] [MODULE]
  $ study_host --version
  study-host \d+\.\d+\.\d+ (re)
  $ study_host replay --version
  study-host \d+\.\d+\.\d+ (re)
  $ for words in "" help "/?" "-?" -h; do
  >   study_host $words > usage.txt; echo "$?: $(head -n 1 usage.txt | cut -c 1-40)"
  > done
  0: Tries a study module outside the trading
  0: Tries a study module outside the trading
  0: Tries a study module outside the trading
  0: Tries a study module outside the trading
  0: Tries a study module outside the trading
  $ study_host replay "$MODULE" /? | sed -n 2p
  Usage: study-host replay [OPTIONS] [MODULE]
  $ study_host validate -? | sed -n 2p
  Usage: study-host validate [OPTIONS] [MODULE]

Options end at --; one NAME=VALUE per --set, anywhere:

  $ study_host describe -- "$MODULE" | grep "display name"
  display name:      zr: Palvessa
  $ study_host replay --set Enabled=yes "$MODULE" --positions 1 --
  step  position  order quantity
  1     1         1
  $ study_host replay "$MODULE" --positions 100000,-1000000,1e20
  step  position  order quantity
  1     100000    unchanged
  2     -1000000  unchanged
  3     1e+20     unchanged
  stderr: study-host: note: the study left the order quantity unchanged at every step; its yes/no input "Enabled" is off (to turn it on: --set "Enabled=yes")

Commands, options and positions refused, saying what was found:

  $ study_host frobnicate m.so
  stderr: study-host: unknown command 'frobnicate' (see 'study-host --help')
  [2]
Without a module, the study's file beside the tool; a module not found in
the working folder is looked for there too, and the error says where:

  $ study_host describe
  stderr: study-host: give the module to load: none was named, and no zrPalvessa_64.(so|dll) lies beside study-host \(in '.*'\) (re)
  [2]
  $ cp "$MODULE" "$(dirname "$STUDY_HOST")/" && study_host describe | grep "display name"
  display name:      zr: Palvessa
  $ study_host describe "$(basename "$MODULE")" | grep "display name"
  display name:      zr: Palvessa
  $ rm "$(dirname "$STUDY_HOST")/$(basename "$MODULE")"
  $ study_host describe no_such_module.dll
  stderr: study-host: cannot load 'no_such_module.dll': it is neither in the working folder \('.*'\) nor beside study-host \(in '.*'\) (re)
  [3]
  $ study_host describe "$MODULE" --file x.csv
  stderr: study-host: not expected: '--file', 'x.csv' (see 'study-host --help')
  [2]
  $ study_host replay "$MODULE" --positions 1 --positions 2
  stderr: study-host: --positions: At Most 1 required but received 2 (see 'study-host --help')
  [2]
  $ study_host replay "$MODULE" --positions 1 --json --json
  stderr: study-host: --json: At Most 1 required but received 2 (see 'study-host --help')
  [2]
  $ study_host replay "$MODULE" --positions 1 --file x.csv
  stderr: study-host: --positions excludes --file (see 'study-host --help')
  [2]
  $ study_host replay "$MODULE"
  stderr: study-host: give the positions: --positions or --file
  [2]
  $ study_host replay "$MODULE" --positions +3 --set Enabled=+1 --timeout +10
  step  position  order quantity
  1     3         1
  $ study_host replay "$MODULE" --positions +-1
  stderr: study-host: position 1 of --positions ('+-1') is not a number
  [2]
  $ study_host validate "$MODULE" --seed=+-1
  stderr: study-host: --seed: '+-1' is not a whole number (see 'study-host --help')
  [2]
  $ study_host validate "$MODULE" --seed -1
  stderr: study-host: --seed: '-1' is out of range (0 to 18446744073709551615) (see 'study-host --help')
  [2]
  $ study_host validate "$MODULE" --calls 0
  stderr: study-host: --calls: '0' is out of range (1 to 1000000) (see 'study-host --help')
  [2]
  $ study_host validate "$MODULE" --calls 2147483647
  stderr: study-host: --calls: '2147483647' is out of range (1 to 1000000) (see 'study-host --help')
  [2]
  $ study_host validate "$MODULE" --check nosuch
  stderr: study-host: --check: unknown check 'nosuch'; the checks are module-loads, [a-z, -]+ \(see 'study-host --help'\) (re)
  [2]
  $ study_host validate "$MODULE" --skip "long run"
  stderr: study-host: --skip: unknown check 'long run'; the checks are module-loads, [a-z, -]+ \(see 'study-host --help'\) (re)
  [2]
  $ study_host validate "$MODULE" --in-child-run-check memory-balance
  stderr: study-host: not expected: '--in-child-run-check', 'memory-balance' (see 'study-host --help')
  [2]
  $ study_host replay "$MODULE" --positions 1,1e400
  stderr: study-host: position 2 of --positions ('1e400') is out of range
  [2]
  $ study_host replay "$MODULE" --positions 0, 4, 2, 0
  stderr: study-host: --positions takes the list as one word, without blanks: --positions 0,4,2,0 (or in quotes: --positions "0, 4, 2, 0")
  [2]
  $ study_host replay "$MODULE" "--positions="
  stderr: study-host: --positions: 1 required LIST missing (see 'study-host --help')
  [2]

Positions pasted from a spreadsheet's column or row, parted by line breaks,
tabs or semicolons; a decimal comma, an error value or a file's name
refused with the fix:

  $ study_host replay "$MODULE" --set Enabled=yes "--positions=1
  > 2,5"
  stderr: study-host: position 2 of --positions ('2,5') has a decimal comma: write it with a point (2.5)
  [2]
  $ study_host replay "$MODULE" --set Enabled=yes --positions "$(printf '0\r\n3\r\n-2\r\n')" --json
  {"step":1,"position":0,"written":true,"order_quantity":4}
  {"step":2,"position":3,"written":true,"order_quantity":1}
  {"step":3,"position":-2,"written":true,"order_quantity":1}
  $ study_host replay "$MODULE" --set Enabled=yes --positions "$(printf '0\t2;3')" --json | wc -l
  3
  $ study_host replay "$MODULE" --positions "1;#N/A"
  stderr: study-host: position 2 of --positions ('#N/A') is a spreadsheet's error value: the formula for this position failed; correct it in the spreadsheet (or delete the row) and save the file again
  [2]
  $ study_host replay "$MODULE" --positions session.csv
  stderr: study-host: --positions takes the positions themselves; 'session.csv' is a file's name: give a session file with --file session.csv
  [2]

A session named without its ending is read as NAME.csv, and the tool says
so:

  $ cp "$SOURCE_DIR/example-session.csv" session.csv
  $ study_host replay "$MODULE" --file session | grep -E '^(10 |stderr)' | sort
  10    0         unchanged
  stderr: study-host: note: the study left the order quantity unchanged at every step; its yes/no input "Enabled" is off (to turn it on: --set "Enabled=yes")
  stderr: study-host: note: there is no file 'session', so replaying 'session.csv'

Inputs by name in any case with blanks around, by slot number, or by a
leading part only one name has; refused as the host refuses them:

  $ study_host replay "$MODULE" --set Enabled --positions 1
  stderr: study-host: --set: takes NAME=VALUE, got 'Enabled' (see 'study-host --help')
  [2]
  $ study_host replay "$MODULE" --set Enabler=1 --positions 1
  stderr: study-host: unknown input "Enabler"; valid inputs: "Enabled", "Position Qty While Flat", "Position Qty During Trade", "Scale Out of Position", "Scale Out Percentage", "Round Scale Out Quantity Down (default is up)"
  [2]
  $ study_host replay "$MODULE" "--set= enabled = yes" --set 3=yes "--set=scale out p=30" --set round=no --positions 10
  step  position  order quantity
  1     10        3
  $ study_host replay "$MODULE" "--set=Position Qty=3" --positions 1
  stderr: study-host: input "Position Qty" could be "Position Qty While Flat", "Position Qty During Trade"; give more of the name
  [2]
  $ study_host replay "$MODULE" --set Enabled=yes --set 0=no --positions 1
  stderr: study-host: input "Enabled" is set twice; set it once
  [2]
  $ study_host replay "$MODULE" "--set=Scale Out Percentage=150" --positions 4
  stderr: study-host: Scale Out Percentage takes 1 to 100, not 150
  [2]
  $ study_host replay "$MODULE" "--set=Scale Out Percentage=2.5" --positions 1
  stderr: study-host: value '2.5' for "Scale Out Percentage" is not a whole number
  [2]
  $ study_host replay "$MODULE" "--set=Scale Out Percentage=3000000000" --positions 1
  stderr: study-host: value '3000000000' for "Scale Out Percentage" is out of range (-2147483648 to 2147483647)
  [2]

Options as other tools spell them, and a session file given without
--file, named with the option meant:

  $ for option in -file --File /file -File; do study_host replay "$MODULE" $option session.csv; done
  stderr: study-host: not expected: '-file', 'session.csv': options are written with two dashes, in small letters: --file session.csv (see 'study-host --help')
  stderr: study-host: not expected: '--File', 'session.csv': options are written with two dashes, in small letters: --file session.csv (see 'study-host --help')
  stderr: study-host: not expected: '/file', 'session.csv': options are written with two dashes, in small letters: --file session.csv (see 'study-host --help')
  stderr: study-host: not expected: '-File', 'session.csv': options are written with two dashes, in small letters: --file session.csv (see 'study-host --help')
  [2]
  $ study_host replay "$MODULE" -Positions 0,3 --set Enabled=yes
  stderr: study-host: not expected: '-Positions', '0,3': options are written with two dashes, in small letters: --positions 0,3 (see 'study-host --help')
  [2]
  $ study_host replay /file session.csv
  stderr: study-host: not expected: '/file', 'session.csv': options are written with two dashes, in small letters: --file session.csv (see 'study-host --help')
  [2]
  $ study_host replay "$MODULE" session.csv
  stderr: study-host: not expected: 'session.csv': a session file is given with --file: --file session.csv (see 'study-host --help')
  [2]
  $ study_host replay "my session.csv"
  stderr: study-host: 'my session.csv' was taken for the module, but looks like a session file: a session file is given with --file: --file "my session.csv"
  [2]

Names as file managers leave them: a session saved as .txt or .CSV given
without its ending, a folder beside a file of its name, and two files it
could be, each said:

  $ mkdir names && printf 'position\r\n3\r\n' > names/monday.txt && printf 'position\r\n-2\r\n' > names/TUESDAY.CSV
  $ study_host replay "$MODULE" --set Enabled=yes --file names/monday --json | LC_ALL=C sort
  stderr: study-host: note: there is no file 'names/monday', so replaying 'names/monday.txt'
  {"step":1,"position":3,"written":true,"order_quantity":1}
  $ study_host replay "$MODULE" --set Enabled=yes --file names/TUESDAY --json | LC_ALL=C sort
  stderr: study-host: note: there is no file 'names/TUESDAY', so replaying 'names/TUESDAY.CSV'
  {"step":1,"position":-2,"written":true,"order_quantity":1}
  $ mkdir names/monday
  $ study_host replay "$MODULE" --set Enabled=yes --file names/monday --json | LC_ALL=C sort
  stderr: study-host: note: 'names/monday' is a folder, so replaying 'names/monday.txt'
  {"step":1,"position":3,"written":true,"order_quantity":1}
  $ cp names/monday.txt names/monday.csv && study_host replay "$MODULE" --file names/monday
  stderr: study-host: 'names/monday' is a folder; beside it are 'names/monday.csv' and 'names/monday.txt': give --file the one you mean
  [4]

Names no Windows file can have are refused before anything is done, on
every build, naming the character or the device:

  $ study_host replay "$MODULE" --positions 1 --chart "steps?.svg"
  stderr: study-host: --chart: 'steps?.svg' holds '?', which no Windows file name can: a wildcard, which the tool does not expand: give one file's own name (see 'study-host --help')
  [2]
  $ study_host replay "$MODULE" --positions 1 --chart "a|b.svg"
  stderr: study-host: --chart: 'a|b.svg' holds '|', which no Windows file name can: the command window's sign for passing output on: give the name without it (see 'study-host --help')
  [2]
  $ for name in con.svg AUX.svg nul.svg com1.svg LPT1.svg; do study_host replay "$MODULE" --positions 1 --chart $name; done
  stderr: study-host: --chart: 'con.svg' is a name Windows keeps for a device (con), never a file's: give the chart another name (see 'study-host --help')
  stderr: study-host: --chart: 'AUX.svg' is a name Windows keeps for a device (aux), never a file's: give the chart another name (see 'study-host --help')
  stderr: study-host: --chart: 'nul.svg' is a name Windows keeps for a device (nul), never a file's: give the chart another name (see 'study-host --help')
  stderr: study-host: --chart: 'com1.svg' is a name Windows keeps for a device (com1), never a file's: give the chart another name (see 'study-host --help')
  stderr: study-host: --chart: 'LPT1.svg' is a name Windows keeps for a device (lpt1), never a file's: give the chart another name (see 'study-host --help')
  [2]
  $ study_host replay "$MODULE" --file "trades*.csv"
  stderr: study-host: --file: 'trades*.csv' holds '*', which no Windows file name can: a wildcard, which the tool does not expand: give one file's own name
  [2]
  $ study_host replay "$MODULE" --file 'my sessions\'
  stderr: study-host: --file: 'my sessions\' ends in a backslash, so it names a folder, not the session file: add the file's name ('my sessions\session.csv')
  [2]
  $ study_host replay "$MODULE" --file aux
  stderr: study-host: --file: 'aux' is a name Windows keeps for a device (aux), never a file's: give the session file another name
  [2]
  $ ls
  names
  session.csv
  usage.txt

With standard output closed nothing is done and nothing is written, into
the chart least of all; with standard input closed, --file - says so:

  $ wine=${STUDY_HOST_RUNNER:+${STUDY_HOST_RUNNER##* }}  # wine itself: its runner needs an output
  $ shown() { sed -u -E '/^wine: |^[0-9a-f]{4}:(err|fixme|warn|trace):/d' | tr -d '\r'; }
  $ without_output() { TMPDIR=${STUDY_WINE_TMPDIR:-$TMPDIR} $wine "$STUDY_HOST" "$@" 2>&1 >&- | shown; }
  $ without_input() { TMPDIR=${STUDY_WINE_TMPDIR:-$TMPDIR} $wine "$STUDY_HOST" "$@" 2>&1 <&- | shown; }
  $ without_output replay "$MODULE" --positions 1 --chart steps.svg
  study-host: standard output is closed (whatever started study-host closed it), so what it prints would reach no one; nothing was done: start it with its output open, in a command window, or sent to a file (> output.txt)
  [5]
  $ without_output --help
  study-host: standard output is closed (whatever started study-host closed it), so what it prints would reach no one; nothing was done: start it with its output open, in a command window, or sent to a file (> output.txt)
  [5]
  $ echo "made: $(ls -A | grep steps.svg)"
  made: 
  $ without_input replay "$MODULE" --file -
  study-host: --file - reads the session from standard input, but standard input is closed (whatever started study-host closed it): give the file itself (--file session.csv), or send one in (--file - < session.csv)
  [4]
