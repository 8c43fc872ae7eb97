# The README's commands. PRESET picks the CMake preset (dev, release, asan, tsan).
PRESET ?= dev
JOBS ?= $(shell nproc)

.PHONY: all deps build test demo soak format format-check bench docs package check-install check-abi update-abi-baseline clean

all: build

deps:
	scripts/install-deps

build/%/CMakeCache.txt:
	cmake --preset $*

build: deps build/$(PRESET)/CMakeCache.txt
	cmake --build --preset $(PRESET) -j $(JOBS)

test: build
	ctest --preset $(PRESET) -j $(JOBS)

demo: build
	build/$(PRESET)/examples/backup_walkthrough

bench:
	$(MAKE) build PRESET=release
	@for b in build/release/bench/*; do [ -x "$$b" ] && [ -f "$$b" ] && { echo "== $$b"; "$$b"; }; done

# The long soak under random faults (tests/soak, optimised build): many jobs at once against one
# simulator; prints operations per second, failures by kind and the invariants, and fails when
# one broke. CTest runs a short one (label soak). SOAK_ARGS changes the shape.
SOAK_ARGS ?= --jobs 32 --operations 100000 --rounds 10 --fault-rate 5 --seed 20261207
soak: deps build/release/CMakeCache.txt
	cmake --build --preset release -j $(JOBS) --target unity_soak
	build/release/tests/soak/unity_soak $(SOAK_ARGS)

# The API reference of the installed headers (build/$(PRESET)/docs/html); fails on any Doxygen
# warning, an undocumented public member included.
docs: deps build/$(PRESET)/CMakeCache.txt
	cmake --build --preset $(PRESET) --target docs

# The three Debian packages, from an optimised build of the installed products only
# (build/package/packages/*.deb).
package: deps
	cmake --preset package
	cmake --build --preset package -j $(JOBS)
	cd build/package && cpack

# A consumer project built against the unpacked packages, by CMake and by pkg-config.
check-install: package
	scripts/check-install build/package/packages

# The library's ABI against the committed baseline (abi/), and the deliberate baseline update.
# Both read the debug information of the dev build.
check-abi: deps build/dev/CMakeCache.txt
	cmake --build --preset dev -j $(JOBS) --target ManageEMCUnity
	scripts/check-abi build/dev

update-abi-baseline: deps build/dev/CMakeCache.txt
	cmake --build --preset dev -j $(JOBS) --target ManageEMCUnity
	scripts/update-abi-baseline build/dev

format:
	git ls-files '*.cpp' '*.h' | xargs clang-format -i

format-check:
	git ls-files '*.cpp' '*.h' | xargs clang-format --dry-run --Werror

clean:
	rm -rf build
