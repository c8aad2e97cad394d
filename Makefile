# The whole set-up on a fresh Debian 12 machine: `make run` or `make test`.
BUILD := build
CMAKE_FLAGS := -G Ninja -Wno-dev

.PHONY: run test deps build build-sanitize package clean

deps:
	@./scripts/install-deps

build: deps
	@cmake -S . -B $(BUILD)/release $(CMAKE_FLAGS) -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
	@cmake --build $(BUILD)/release

# The libraries that read untrusted files, and their tests, under AddressSanitizer and UBSan.
build-sanitize: deps
	@cmake -S . -B $(BUILD)/sanitize $(CMAKE_FLAGS) -DCMAKE_BUILD_TYPE=Debug \
		-DLUMBEX_SANITIZE=ON -DLUMBEX_LIBRARIES_ONLY=ON >/dev/null
	@cmake --build $(BUILD)/sanitize

run: build
	./$(BUILD)/release/lumbex

test: build build-sanitize
	ctest --test-dir $(BUILD)/release --output-on-failure -j2
	ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1 \
		ctest --test-dir $(BUILD)/sanitize --output-on-failure -j2

# The Debian package: build/release/lumbex_<version>_<arch>.deb.
package: build
	@cmake --build $(BUILD)/release --target package

clean:
	rm -rf $(BUILD)
