# Everyday entry points. Each target installs what is missing, configures once and builds
# incrementally, so a second run only rebuilds what changed.
JOBS ?= 2
CMAKE_FLAGS ?=

BUILD      := build
BUILD_ASAN := build-asan
BUILD_TSAN := build-tsan
BUILD_FUZZ := build-fuzz
BUILD_RELEASE := build-release
FUZZ_SECONDS ?= 60
FUZZ_TIME  ?= $(FUZZ_SECONDS)

ASAN_ENV := ASAN_OPTIONS=detect_leaks=1:abort_on_error=1:strict_string_checks=1 \
            UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1
TSAN_ENV := TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1

.PHONY: all deps bench-deps build demo test test-asan test-tsan bench bench-compare fuzz format clean

all: build

deps:
	@scripts/deps.sh

bench-deps:
	@scripts/deps.sh --bench

$(BUILD)/CMakeCache.txt: | deps
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo $(CMAKE_FLAGS)

build: deps $(BUILD)/CMakeCache.txt
	cmake --build $(BUILD) -j$(JOBS)

demo: build
	@scripts/demo.sh $(BUILD)

test: build
	ctest --test-dir $(BUILD) --output-on-failure -j$(JOBS)

$(BUILD_ASAN)/CMakeCache.txt: | deps
	cmake -S . -B $(BUILD_ASAN) -DCMAKE_BUILD_TYPE=Debug -DTAMU_SANITIZE=address,undefined \
	      -DORXA_BUILD_BENCH=OFF $(CMAKE_FLAGS)

# The long-stream tests (billions of samples, half a minute in a plain build) are left out:
# under the sanitizers they would take most of an hour and find nothing the short ones miss.
test-asan: deps $(BUILD_ASAN)/CMakeCache.txt
	cmake --build $(BUILD_ASAN) -j$(JOBS)
	$(ASAN_ENV) ctest --test-dir $(BUILD_ASAN) --output-on-failure -j$(JOBS) -E 'LongStream'

$(BUILD_TSAN)/CMakeCache.txt: | deps
	cmake -S . -B $(BUILD_TSAN) -DCMAKE_BUILD_TYPE=Debug -DTAMU_SANITIZE=thread \
	      -DORXA_BUILD_BENCH=OFF $(CMAKE_FLAGS)

# The concurrency tests carry "Concurrency" or "Thread" in their names.
test-tsan: deps $(BUILD_TSAN)/CMakeCache.txt
	cmake --build $(BUILD_TSAN) -j$(JOBS)
	$(TSAN_ENV) ctest --test-dir $(BUILD_TSAN) --output-on-failure -j$(JOBS) -R 'Concurren|Thread'

$(BUILD_FUZZ)/CMakeCache.txt: | deps
	CC=clang CXX=clang++ cmake -S . -B $(BUILD_FUZZ) -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	      -DORXA_BUILD_FUZZ=ON -DORXA_BUILD_TESTS=OFF -DORXA_BUILD_BENCH=OFF $(CMAKE_FLAGS)

# Runs fuzz/fuzz_$(1).cpp with inputs of at most $(2) bytes, and fuzz/$(1).dict when there is one;
# its seeds are fuzz/corpus/$(1), or the folder $(3) when given, with fuzz/corpus/$(1) too when
# that holds the inputs of past findings.
define run-fuzzer
	mkdir -p $(BUILD_FUZZ)/corpus/$(1)
	$(ASAN_ENV) $(BUILD_FUZZ)/fuzz_$(1) -max_total_time=$(FUZZ_TIME) -max_len=$(2) \
	    $(if $(wildcard fuzz/$(1).dict),-dict=fuzz/$(1).dict) $(BUILD_FUZZ)/corpus/$(1) \
	    $(if $(3),$(wildcard fuzz/corpus/$(1)) $(3),fuzz/corpus/$(1))
endef

# Each fuzz target runs FUZZ_TIME seconds, one after the other; what it finds new is kept in
# build-fuzz/corpus.
fuzz: deps $(BUILD_FUZZ)/CMakeCache.txt
	cmake --build $(BUILD_FUZZ) -j$(JOBS) --target fuzz_uri fuzz_json fuzz_textreader fuzz_base64 \
	      fuzz_flac_source fuzz_xml_value_store fuzz_wav_encode fuzz_log_values
	scripts/fuzz-seeds.sh fuzz/corpus/flac_source >/dev/null
	scripts/fuzz-seeds.sh $(BUILD_FUZZ)/seeds/wav_encode wav_encode >/dev/null
	scripts/fuzz-seeds.sh $(BUILD_FUZZ)/seeds/log_values log_values >/dev/null
	$(call run-fuzzer,uri,512)
	$(call run-fuzzer,json,4096)
	$(call run-fuzzer,textreader,4096)
	$(call run-fuzzer,base64,4096)
	$(call run-fuzzer,flac_source,65536)
	$(call run-fuzzer,xml_value_store,4096)
	$(call run-fuzzer,wav_encode,16384,$(BUILD_FUZZ)/seeds/wav_encode)
	$(call run-fuzzer,log_values,4096,$(BUILD_FUZZ)/seeds/log_values)

$(BUILD_RELEASE)/CMakeCache.txt: | deps
	cmake -S . -B $(BUILD_RELEASE) -DCMAKE_BUILD_TYPE=Release -DORXA_BUILD_TESTS=OFF $(CMAKE_FLAGS)

# A Release build of its own: the micro-benchmarks of the hot loops, then orxa-host timed against
# flac, sox, metaflac (and ffmpeg when present) on inputs synthesised into build-release/ once.
# ROUNDS=n sets the rounds of each pair (default 5).
bench: deps bench-deps $(BUILD_RELEASE)/CMakeCache.txt
	cmake --build $(BUILD_RELEASE) -j$(JOBS)
	@scripts/bench.sh $(BUILD_RELEASE)
	@scripts/bench-compare.py $(BUILD_RELEASE)

# The side-by-side table alone.
bench-compare: deps bench-deps $(BUILD_RELEASE)/CMakeCache.txt
	cmake --build $(BUILD_RELEASE) -j$(JOBS)
	@scripts/bench-compare.py $(BUILD_RELEASE)

format:
	git ls-files '*.cpp' '*.h' | xargs clang-format -i

clean:
	rm -rf $(BUILD) $(BUILD_ASAN) $(BUILD_TSAN) $(BUILD_FUZZ) $(BUILD_RELEASE)
