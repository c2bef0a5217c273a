#!/bin/sh
# The instructions a control cycle costs on the simulated machine, as
# callgrind counts them (the same for the same binary and inputs, whatever
# else the machine does): the difference between a run of N cycles and one
# of 2N, over N. Once with no service manager listening; once with one
# listening, which is told each status that changed and that the program
# lives; and once with one listening and the metrics file written (when a
# cycle changed it, else every 10 s). The goal is 5,000 a cycle at most.
#
#   bench/cycle_instructions.sh BUILD_DIR [N]
#
# Exit status 1 when the cycle without a listener, or the one with a
# listener and the metrics file, costs more than the goal.
set -eu
build=$(cd "$1" && pwd) cycles=${2:-1000}
goal=5000
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp "$(dirname "$0")/../ThermalTable.txt" "$work/"
cd "$work"

# instructions N [SETTING...]: what a run of N cycles costs.
instructions() {
  n=$1
  shift
  env THERMAL_SIM_FAST=1 THERMAL_SIM_TEMPS="40*$n" "$@" \
    valgrind --tool=callgrind --callgrind-out-file=callgrind.out "$build/thermal-control-sim" \
    >/dev/null 2>valgrind.txt
  sed -n 's/.*Collected : \([0-9]*\).*/\1/p' valgrind.txt
}

per_cycle() {
  one=$(instructions "$cycles" "$@")
  two=$(instructions $((2 * cycles)) "$@")
  echo $(((two - one) / cycles))
}

mkdir metrics
quiet=$(per_cycle)
listened=$(per_cycle THERMAL_SIM_NOTIFY=1)
metrics=$(per_cycle THERMAL_SIM_NOTIFY=1 THERMAL_CONTROL_METRICS_DIR="$work/metrics")
[ -s metrics/thermal-control.prom ] || { echo "no metrics file was written" >&2; exit 2; }
echo "instructions a cycle, no service manager listening: $quiet (goal: $goal at most)"
echo "instructions a cycle, a service manager listening: $listened"
echo "instructions a cycle, a service manager listening and the metrics file: $metrics (goal: $goal at most)"
[ "$quiet" -le "$goal" ] && [ "$metrics" -le "$goal" ]
