# The README's commands. PRESET picks the CMake preset (dev, release, asan, tsan).
PRESET ?= dev
JOBS ?= $(shell nproc)

.PHONY: all deps build test demo format format-check bench clean

all: build

deps:
	scripts/install-deps

build/$(PRESET)/CMakeCache.txt:
	cmake --preset $(PRESET)

build: deps build/$(PRESET)/CMakeCache.txt
	cmake --build --preset $(PRESET) -j $(JOBS)

test: build
	ctest --preset $(PRESET) -j $(JOBS)

demo: build
	build/$(PRESET)/tools/unityctl demo

bench:
	$(MAKE) build PRESET=release
	@for b in build/release/bench/*; do [ -x "$$b" ] && [ -f "$$b" ] && { echo "== $$b"; "$$b"; }; done

format:
	git ls-files '*.cpp' '*.h' | xargs clang-format -i

format-check:
	git ls-files '*.cpp' '*.h' | xargs clang-format --dry-run --Werror

clean:
	rm -rf build
