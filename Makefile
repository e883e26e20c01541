# Two commands for users: `make run` and `make test`.
BUILD_REL  ?= build/release
BUILD_TEST ?= build/asan
BUILD_PKG  ?= build/package
JOBS       ?= $(shell nproc)
RUN_OUT    ?= build/run-output

.PHONY: deps build run test package fuzz bench clean

deps:
	@./scripts/install-deps

build: deps
	@cmake -S . -B $(BUILD_REL) -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
	@cmake --build $(BUILD_REL) --target tavrik -j $(JOBS)

# Converts the bundled sample records with the sub-command line.
run: build
	@./scripts/run-examples $(BUILD_REL)/tavrik $(RUN_OUT)

test: deps
	@cmake -S . -B $(BUILD_TEST) -G Ninja -DCMAKE_BUILD_TYPE=Debug -DTAVRIK_SANITIZE=ON >/dev/null
	@cmake --build $(BUILD_TEST) -j $(JOBS)
	@cd $(BUILD_TEST) && ASAN_OPTIONS=detect_leaks=1 ctest --output-on-failure -j $(JOBS)

# The Debian package of an optimised build, checked for its files and dependencies.
package: deps
	@cmake -S . -B $(BUILD_PKG) -G Ninja -DCMAKE_BUILD_TYPE=Release -DTAVRIK_TESTS=OFF >/dev/null
	@cmake --build $(BUILD_PKG) -j $(JOBS)
	@rm -f $(BUILD_PKG)/tavrik_*.deb
	@cd $(BUILD_PKG) && cpack -G DEB >/dev/null
	@./scripts/check-package $(BUILD_PKG)/tavrik_*.deb >/dev/null
	@echo "package: $$(ls $(BUILD_PKG)/tavrik_*.deb)"

fuzz: deps
	@cmake -S . -B build/fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	  -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ -DTAVRIK_FUZZ=ON >/dev/null
	@cmake --build build/fuzz -j $(JOBS)

bench: deps
	@cmake -S . -B $(BUILD_REL) -G Ninja -DCMAKE_BUILD_TYPE=Release -DTAVRIK_BENCH=ON >/dev/null
	@cmake --build $(BUILD_REL) -j $(JOBS)

clean:
	rm -rf build
