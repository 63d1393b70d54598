# Sourced by the scripts in scripts/: "--help" or "-h" as the first argument
# prints the script's opening comment and ends it.
usage_if_asked() {  # script path, the script's arguments
    local script=$1
    case "${2:-}" in
    --help | -h)
        awk 'NR > 1 && /^#/ { sub(/^# ?/, ""); print; next } NR > 1 { exit }' "$script"
        exit 0
        ;;
    esac
}
