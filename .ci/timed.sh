# Runs a step and keeps how long it took; `timings` lists them all.
step_times=()
timed() {
    local name=$1 start=$SECONDS
    shift
    echo "== $name"
    "$@"
    step_times+=("$(printf '%5d s  %s' $((SECONDS - start)) "$name")")
    echo "== $name: $((SECONDS - start)) s"
}
timings() {
    echo "== time of each step"
    printf '%s\n' "${step_times[@]}"
}
