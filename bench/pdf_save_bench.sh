#!/usr/bin/env bash
# Builds the optimised native benchmark and prints the writer's speed as a
# share of plain write calls (target: at least 0.8).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
cmake --preset native-release >/dev/null
cmake --build --preset native-release --target pdf_save_bench >/dev/null
out/native-release/bench/pdf_save_bench --benchmark_format=json --benchmark_repetitions=3 \
  --benchmark_report_aggregates_only=true >out/pdf_save_bench.json
python3 - <<'PY'
import json
runs = {b["run_name"]: b for b in json.load(open("out/pdf_save_bench.json"))["benchmarks"] if b["aggregate_name"] == "median"}
copy = runs["BM_WriterBuildAndSave/0/iterations:3/real_time"]["bytes_per_second"] / 1e6
take = runs["BM_WriterBuildAndSave/1/iterations:3/real_time"]["bytes_per_second"] / 1e6
p = runs["BM_PlainWrite/iterations:3/real_time"]["bytes_per_second"] / 1e6
print("1000 pages x 1 MB JPEG, built and saved (median of 3 runs)")
print(f"  writer, block handed over (as the build does): {take:8.1f} MB/s  ratio {take / p:5.2f}")
print(f"  writer, block copied:                          {copy:8.1f} MB/s  ratio {copy / p:5.2f}")
print(f"  plain write calls, same bytes:                 {p:8.1f} MB/s")
PY
