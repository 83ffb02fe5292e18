# Quorvel: `make run` to build and start the program, `make test` to run every test.
# Both install the Debian packages they need when they are missing.

# The build's own make calls would otherwise announce every directory.
MAKEFLAGS += --no-print-directory

BUILD_DIR ?= build
JOBS ?= $(shell nproc 2>/dev/null || echo 2)
# qt6-svg-dev: the guide grid is also saved as SVG, which QtGui cannot write.
# fonts-wine: a Tahoma with the original's metrics, which the windows'
# captions and button sizes were made for (the program loads it itself).
# liblz4-dev: the long lists keep their texts compressed (src/store/ListEntry.cpp);
# CMake finds it through pkg-config.
# zlib1g-dev: XMLTV guides are read and written as .xml.gz, a piece at a time.
# libpq-dev, libqt6sql6-psql: the store also keeps its data on a PostgreSQL
# server, through libpq and Qt's PostgreSQL driver.
# help2man: the manual pages are made from the programs' --help.
PACKAGES := make cmake g++ pkg-config qt6-base-dev qt6-svg-dev libqt6sql6-sqlite libgl-dev sqlite3 libsqlite3-dev libexpat1-dev zlib1g-dev libxml2-utils fonts-wine liblz4-dev libpq-dev libqt6sql6-psql help2man
# What `make deb` packs with: dpkg-shlibdeps (in dpkg-dev) works out the
# package's dependencies, lintian checks it.
DEB_PACKAGES := dpkg-dev lintian
# What the tests check their output with: XMLTV's validator (with xmllint),
# the time zone database, and Python, which plays another program on the database.
# postgresql and openssl: the run starts a server of its own, with TLS
# from a CA it makes (tests/support/pgserver.sh); none need be running.
TEST_PACKAGES := xmltv-util libxml2-utils tzdata python3 postgresql openssl libqt6sql6-psql
# The package test builds the package and looks for its manual pages with man.
TEST_PACKAGES += $(DEB_PACKAGES) man-db

ifeq ($(shell id -u),0)
SUDO :=
else
SUDO := sudo
endif

.PHONY: all run test build build-all deps db clean screenshots deb

all: build-all

deps:
	@missing=""; \
	for p in $(PACKAGES); do \
		dpkg-query -W -f='$${Status}' $$p 2>/dev/null | grep -q 'install ok installed' || missing="$$missing $$p"; \
	done; \
	if [ -n "$$missing" ]; then \
		echo "Installing missing packages:$$missing"; \
		$(SUDO) apt-get update -q && \
		$(SUDO) env DEBIAN_FRONTEND=noninteractive apt-get install -y -q $$missing; \
	fi

$(BUILD_DIR)/CMakeCache.txt:
	cmake -S . -B $(BUILD_DIR) -DCMAKE_BUILD_TYPE=RelWithDebInfo

# Only what `make run` runs: the program and its companion tool.
build: deps $(BUILD_DIR)/CMakeCache.txt
	cmake --build $(BUILD_DIR) -j $(JOBS) --target quorvel quorvel-cli

# Everything, the tests included.
build-all: deps $(BUILD_DIR)/CMakeCache.txt
	cmake --build $(BUILD_DIR) -j $(JOBS)

# The build's own database: an empty one is made beside the program once,
# so that `make run` opens it rather than offering one in the user's data
# folder, and an existing one is never touched. An empty file is what an
# interrupted init-db of older versions left, so it is made anew; anything
# else that is not a Quorvel database stops make with check-db's message.
db: build
	@if [ -f $(BUILD_DIR)/quorvel.db ] && [ ! -s $(BUILD_DIR)/quorvel.db ]; then \
		echo "Replacing the empty $(BUILD_DIR)/quorvel.db with a new database"; \
		rm -f $(BUILD_DIR)/quorvel.db; \
	fi
	@if [ -e $(BUILD_DIR)/quorvel.db ] || [ -L $(BUILD_DIR)/quorvel.db ]; then \
		$(BUILD_DIR)/quorvel-cli check-db $(BUILD_DIR)/quorvel.db; \
	else \
		$(BUILD_DIR)/quorvel-cli init-db $(BUILD_DIR)/quorvel.db; \
	fi

run: db
	$(BUILD_DIR)/quorvel

# A check that cannot run skips itself; the list after the run names each one.
test: PACKAGES += $(TEST_PACKAGES)
test: db build-all
	cd $(BUILD_DIR) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j $(JOBS)
	@skipped=$$(grep -h '^SKIP' $(BUILD_DIR)/Testing/Temporary/LastTest.log 2>/dev/null); \
	if [ -n "$$skipped" ]; then echo "Checks that could not run:"; echo "$$skipped"; \
	else echo "Every check ran; none was skipped."; fi

# The Debian package, build/quorvel_VERSION-1_ARCH.deb: install it with
# `sudo apt install ./build/quorvel_*.deb`. Configured again so that a
# help2man installed just now is found.
deb: PACKAGES += $(DEB_PACKAGES)
deb: deps
	cmake -S . -B $(BUILD_DIR) -DCMAKE_BUILD_TYPE=RelWithDebInfo
	cmake --build $(BUILD_DIR) -j $(JOBS) --target quorvel quorvel-cli quorvel-cli-draw quorvel-man quorvel-changelog
	rm -f $(BUILD_DIR)/quorvel_*.deb
	cd $(BUILD_DIR) && cpack -G DEB
	lintian --fail-on error $(BUILD_DIR)/quorvel_*.deb

# Pictures of every window for the README, drawn on a virtual X display
# over a sample database of their own.
screenshots: PACKAGES += xvfb xauth
screenshots: build
	cmake --build $(BUILD_DIR) -j $(JOBS) --target quorvel-screenshots
	tools/screenshots.sh $(BUILD_DIR) docs/screenshots

clean:
	rm -rf $(BUILD_DIR)
