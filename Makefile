# Two entry points: `make run` builds and starts the program, `make test`
# builds with sanitizers and runs every test. Both install what they need.

# What building and running needs; `make run` installs only these.
PACKAGES := cmake g++ make pkg-config qt6-base-dev qt6-qpa-plugins libqt6sql6-sqlite libsqlite3-dev \
            qt6-multimedia-dev libxcb1-dev libxcb-keysyms1-dev fonts-dejavu-core
PACKAGES += fonts-noto-color-emoji   # task texts with emoji show the pictures, not boxes
PACKAGES += mdbtools-dev   # reading the Windows version's Jet database
PACKAGES += libical-dev tzdata   # iCalendar files: the to-dos and the time zones they name
PACKAGES += qtkeychain-qt6-dev libsecret-1-0   # the sync password in the desktop's secret service (QtKeychain loads libsecret when it is there)
# What the tests need besides; `make test` installs these as well.
TEST_PACKAGES := xvfb xdotool   # global hotkey tests on a private X server
TEST_PACKAGES += poppler-utils   # report tests read the printed PDF files back (pdftotext, pdftoppm, pdfinfo)
TEST_PACKAGES += trayer desktop-file-utils   # tray and second-copy tests on a virtual X server; launcher check
TEST_PACKAGES += faketime   # end-to-end alarm test: the real program with a set clock
TEST_PACKAGES += dunst   # desktop notification tests: a real notification daemon on a private bus
TEST_PACKAGES += dbus   # resume-from-suspend test: a private message bus with a stand-in login manager
TEST_PACKAGES += appstream   # the software-centre description is checked with appstreamcli
TEST_PACKAGES += python3-icalendar python3-dateutil   # repeat rules written to iCalendar files are expanded by a separate reader
TEST_PACKAGES += radicale xandikos python3-caldav   # CalDAV tests: real servers on the loopback address and a second client
TEST_PACKAGES += openssl   # CalDAV tests: a certificate nobody trusts
# What `make bench` needs besides: the sync benchmark runs a real CalDAV server.
BENCH_PACKAGES := radicale
# What `make package` needs besides: CPack computes the Debian package's
# dependencies with dpkg-shlibdeps (dpkg-dev), which needs file.
PACKAGE_PACKAGES := dpkg-dev file
SUDO := $(shell [ "$$(id -u)" -eq 0 ] || echo sudo)
JOBS ?= $(shell nproc)
WERROR := $(if $(CI),ON,OFF)

.PHONY: deps test-deps run build test bench package clean

# Installs the packages in WANT that are missing.
WANT ?= $(PACKAGES)
deps:
	@missing=$$(for p in $(WANT); do \
	    dpkg-query -W -f='$${Status}\n' $$p 2>/dev/null | grep -q 'install ok installed' || echo $$p; \
	done); \
	if [ -n "$$missing" ]; then \
	    echo "Installing:" $$missing; \
	    $(SUDO) apt-get update && \
	    $(SUDO) env DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends $$missing; \
	fi

build: deps
	cmake -S . -B build/release -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF -DNW_WERROR=$(WERROR)
	cmake --build build/release -j $(JOBS) --target nudgewick

run: build
	./build/release/nudgewick

test-deps:
	@$(MAKE) --no-print-directory deps WANT="$(PACKAGES) $(TEST_PACKAGES)"

test: test-deps
	cmake -S . -B build/test -DCMAKE_BUILD_TYPE=Debug -DNW_SANITIZE=ON -DNW_WERROR=$(WERROR)
	cmake --build build/test -j $(JOBS)
	cd build/test && ctest --output-on-failure -j $(JOBS)

# A Debian package of what `cmake --install` installs, in build/release.
package:
	@$(MAKE) --no-print-directory deps WANT="$(PACKAGES) $(PACKAGE_PACKAGES)"
	cmake -S . -B build/release -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF -DNW_WERROR=$(WERROR)
	cmake --build build/release -j $(JOBS) --target nudgewick
	cd build/release && cpack -G DEB

bench:
	@$(MAKE) --no-print-directory deps WANT="$(PACKAGES) $(BENCH_PACKAGES)"
	cmake -S . -B build/release -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF
	cmake --build build/release -j $(JOBS) --target nudgewick bench
	@# Headless like the tests; every benchmark runs even when one fails.
	@# Figures over their limits are printed again together at the end.
	@# BENCH_IDLE_MINUTES=N adds the long idle run of the alarm benchmark (hidden and shown).
	@failed=""; log=build/release/bench/last-run.txt; : > $$log; rm -f $$log.failed; for b in build/release/bench/bench_*; do \
	    if [ -f "$$b" ] && [ -x "$$b" ]; then echo "== $$b" | tee -a $$log; \
	        args=""; case "$$b" in *bench_alarm) args="--idle-minutes $${BENCH_IDLE_MINUTES:-0}";; esac; \
	        { QT_QPA_PLATFORM=$${QT_QPA_PLATFORM:-offscreen} "$$b" $$args || echo "$$b" > $$log.failed; } 2>&1 | tee -a $$log; \
	        if [ -f $$log.failed ]; then failed="$$failed $$b"; rm -f $$log.failed; fi; fi; \
	done; \
	echo; if grep -q '^over limit:' $$log; then echo "Figures over their limits:"; grep '^over limit:' $$log | sed 's/^over limit: /  /'; \
	else echo "Every figure with a limit is within it."; fi; \
	if [ -n "$$failed" ]; then echo "failed:$$failed"; exit 1; fi

clean:
	rm -rf build
