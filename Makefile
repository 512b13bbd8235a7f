# The two commands a newcomer needs: `make run` and `make test`.
# Both install missing Debian packages first, then configure and build.
BUILD    ?= build
TYPE     ?= RelWithDebInfo
WERROR   ?= OFF
SANITIZE ?= OFF
JOBS     ?= 2
REPEATS  ?= 5

.PHONY: all deps configure build run test bench clean

all: build

deps:
	@scripts/install-deps

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
	QT_QPA_PLATFORM=offscreen $(BUILD)/bin/olvaris-bench --repeats $(REPEATS)

clean:
	rm -rf $(BUILD)

# The format and tidy checks over a configured build (CI runs them).
.PHONY: style
style: configure
	scripts/check-style $(BUILD)

# The Debian packages (build-package/olvaris_<version>_<arch>.deb, the
# command-line tools' olvaris-tools_<version>_<arch>.deb and the database's
# olvaris-data_<version>_all.deb) and the checks that CI runs: the install
# tree and the packages, the upgrade from the one package of 0.1.0 on a
# private dpkg root, and the tools installed with apt into a minimal Debian
# with no desktop (made once with debootstrap, kept in build-package/).
.PHONY: package install-check chroot-check
package:
	@scripts/install-deps
	cmake -S . -B build-package -DCMAKE_BUILD_TYPE=Release -DOLVARIS_WERROR=$(WERROR) -DOLVARIS_TESTS=OFF
	cmake --build build-package -j$(JOBS)
	cd build-package && cpack -G DEB

install-check: package
	scripts/check-install build-package
	scripts/check-upgrade build-package
	scripts/check-chroot build-package

# The minimal-Debian part of install-check alone.
chroot-check: package
	scripts/check-chroot build-package

# The search fuzzer and the workbook fuzzer, FUZZ_SECONDS each (default 60),
# from their seed corpora in fuzz/corpus and fuzz/corpus-workbook.
FUZZ_SECONDS ?= 60
.PHONY: fuzz
fuzz:
	@scripts/install-deps clang libclang-rt-14-dev
	cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ \
	      -DOLVARIS_FUZZ=ON -DOLVARIS_TESTS=OFF -DOLVARIS_WERROR=$(WERROR)
	cmake --build build-fuzz -j$(JOBS) --target fuzz_search fuzz_workbook
	mkdir -p build-fuzz/corpus && cp -n fuzz/corpus/* build-fuzz/corpus/
	build-fuzz/bin/fuzz_search -max_total_time=$(FUZZ_SECONDS) \
	      -max_len=12000 -artifact_prefix=build-fuzz/ -print_final_stats=1 build-fuzz/corpus
	mkdir -p build-fuzz/corpus-workbook && cp -n fuzz/corpus-workbook/* build-fuzz/corpus-workbook/
	build-fuzz/bin/fuzz_workbook -max_total_time=$(FUZZ_SECONDS) \
	      -max_len=20000 -artifact_prefix=build-fuzz/ -print_final_stats=1 build-fuzz/corpus-workbook

# The headless scenario (start, list all, search, remove, save, copy, close)
# under valgrind memcheck: no errors, nothing definitely lost.
.PHONY: valgrind
valgrind: build
	@scripts/install-deps valgrind
	QT_QPA_PLATFORM=offscreen valgrind --tool=memcheck --error-exitcode=1 --leak-check=full \
	      --show-leak-kinds=definite --errors-for-leak-kinds=definite --num-callers=30 \
	      $(BUILD)/bin/headless-scenario
