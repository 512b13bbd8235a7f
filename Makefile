# The two commands a newcomer needs: `make run` and `make test`.
# Both install missing Debian packages first, then configure and build.
BUILD    ?= build
TYPE     ?= RelWithDebInfo
WERROR   ?= OFF
SANITIZE ?= OFF
JOBS     ?= 2

.PHONY: all deps configure build run test bench clean

all: build

deps:
	@tools/install-deps

configure: deps
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=$(TYPE) \
	      -DOLVARIS_WERROR=$(WERROR) -DOLVARIS_SANITIZE=$(SANITIZE)

build: configure
	cmake --build $(BUILD) -j$(JOBS)

run: build
	$(BUILD)/bin/olvaris

test: build
	cd $(BUILD) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j$(JOBS)

bench: build
	cmake --build $(BUILD) -j$(JOBS) --target olvaris-bench
	QT_QPA_PLATFORM=offscreen $(BUILD)/bin/olvaris-bench

clean:
	rm -rf $(BUILD)

# The Debian package (build-package/olvaris_<version>_<arch>.deb) and the
# check of the install tree and the package that CI runs.
.PHONY: package install-check
package:
	@tools/install-deps
	cmake -S . -B build-package -DCMAKE_BUILD_TYPE=Release -DOLVARIS_WERROR=$(WERROR) -DOLVARIS_TESTS=OFF
	cmake --build build-package -j$(JOBS)
	cd build-package && cpack -G DEB

install-check: package
	tools/check-install build-package
