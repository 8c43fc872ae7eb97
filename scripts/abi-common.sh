# Shared by scripts/check-abi and scripts/update-abi-baseline (sourced, not run).
# The ABI is read from the debug information of a build tree's libManageEMCUnity.so: the exported
# functions and every type they reach, less the internal types named in abi/internal.suppr.
# Locations are left out and type ids are hashes, so the record changes only when the interface
# does (not when a comment moves a line, nor with the checkout's path).

abi_baseline=abi/libManageEMCUnity.abi
abi_dump_options=(--exported-interfaces-only --suppressions abi/internal.suppr --no-corpus-path
                  --no-comp-dir-path --no-show-locs --type-id-style hash --no-architecture)

# abi_library BUILD_DIR: the path of the build's library, checked for debug information.
abi_library() {
  local lib
  lib=$(readlink -f "${1:?build directory, e.g. build/dev}/unity/libManageEMCUnity.so") || true
  if [[ ! -f "$lib" ]]; then
    echo "abi: no library in $1 (build the target ManageEMCUnity)" >&2
    return 1
  fi
  if ! readelf -S "$lib" | grep '\.debug_info' >/dev/null; then
    echo "abi: $lib has no debug information; use a Debug build (the dev preset)" >&2
    return 1
  fi
  echo "$lib"
}

# abi_dump LIBRARY OUT: the ABI record of LIBRARY. Translation units are named by file name
# only, since the compiler records paths as the build found them (absolute, or relative under
# ccache).
abi_dump() {
  abidw "${abi_dump_options[@]}" --out-file "$2" "$1"
  sed -i "s|^\(  <abi-instr [^>]* path='\)[^']*/|\1|" "$2"
}

abi_soname() {
  readelf -d "$1" | sed -n 's/.*Library soname: \[\(.*\)\]/\1/p'
}
