# The two commands of the README: `make run` and `make test`.
BUILD ?= build
JOBS ?= $(shell nproc)

.PHONY: deps configure build run test bench deb fuzz clean

deps:
	@scripts/install-deps

configure: deps
	@cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null

# Sources are globbed per folder; forgetting the moc timestamps makes a new
# Q_OBJECT file get its moc on an incremental build too (cheap: moc output
# that did not change is not rebuilt).
build: configure
	@find $(BUILD) -path '*_autogen/timestamp' -delete 2>/dev/null || true
	@cmake --build $(BUILD) -j $(JOBS)

run: build
	$(BUILD)/src/app/rz90

test: build
	cd $(BUILD) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j $(JOBS)

bench: build
	$(BUILD)/bench/rz90-bench

# A Debian package of the program: $(BUILD)/rz90_<version>_<arch>.deb
deb: build
	cd $(BUILD) && cpack -G DEB

# The fuzz targets, in their own clang build (see fuzz/).
FUZZ_BUILD ?= build-fuzz
fuzz:
	@scripts/install-deps fuzz
	@CC=clang CXX=clang++ cmake -S . -B $(FUZZ_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DRZ_FUZZ=ON >/dev/null
	@cmake --build $(FUZZ_BUILD) -j $(JOBS)

clean:
	rm -rf $(BUILD)
