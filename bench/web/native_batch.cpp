// The native batch call on the points the WebAssembly benchmark converts:
// degrees on WGS 1984 to the Belgian datum 1972 with every output, on the
// calling thread.  Reads the points from a file of doubles (count, then
// the latitudes, then the longitudes) and prints the median time per
// point of five runs, in nanoseconds of wall and of processor time, as
// JSON.  A second argument names the batch path (morvane_set_batch_path).
#include <morvane/morvane.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <ctime>
#include <cstdio>
#include <fstream>
#include <vector>

int main(int argc, char** argv) {
  if (argc != 2 && argc != 3) {
    std::fprintf(stderr, "usage: native_batch POINTS_FILE [scalar|sse2|avx2|simd128]\n");
    return 2;
  }
  if (argc == 3 && morvane_set_batch_path(argv[2]) != MORVANE_OK) {
    std::fprintf(stderr, "native_batch: no batch path %s here\n", argv[2]);
    return 2;
  }
  std::ifstream file(argv[1], std::ios::binary);
  double countValue = 0;
  file.read(reinterpret_cast<char*>(&countValue), sizeof countValue);
  const auto n = static_cast<std::size_t>(countValue);
  std::vector<double> latitude(n), longitude(n);
  file.read(reinterpret_cast<char*>(latitude.data()), static_cast<std::streamsize>(n * sizeof(double)));
  file.read(reinterpret_cast<char*>(longitude.data()), static_cast<std::streamsize>(n * sizeof(double)));
  if (!file) {
    std::fprintf(stderr, "native_batch: cannot read %s\n", argv[1]);
    return 2;
  }

  morvane_batch_input input{};
  input.OrigType = MORVANE_mvDeg;
  input.DatumFrom = MORVANE_mvWGS1984;
  input.DatumDest = MORVANE_mvBelgium1972;
  input.Latitude = latitude.data();
  input.Longitude = longitude.data();
  const auto count = static_cast<std::ptrdiff_t>(n);
  std::size_t mgrsWidth = 0, ifblWidth = 0, errorWidth = 0;
  if (morvane_batch_widths(&input, count, &mgrsWidth, &ifblWidth, &errorWidth) != MORVANE_OK) return 1;

  std::vector<double> lat(n), lon(n), x(n), y(n), northing(n), easting(n);
  std::vector<std::int16_t> latD(n), latM(n), lonD(n), lonM(n);
  std::vector<float> latS(n), lonS(n);
  std::vector<char> mgrs(n * mgrsWidth), ifbl(n * ifblWidth), error(n * errorWidth);
  std::vector<std::int32_t> failure(n);
  const morvane_batch_output output{lat.data(),      lon.data(),    latD.data(),
                                    latM.data(),     latS.data(),   lonD.data(),
                                    lonM.data(),     lonS.data(),   x.data(),
                                    y.data(),        northing.data(), easting.data(),
                                    {mgrs.data(), mgrsWidth},       {ifbl.data(), ifblWidth},
                                    {error.data(), errorWidth},     failure.data()};

  // Wall time and the process's processor time: on a shared machine the
  // second is the steadier measure.
  std::vector<double> runs, cpuRuns;
  for (int run = 0; run < 5; ++run) {
    const auto start = std::chrono::steady_clock::now();
    const std::clock_t cpuStart = std::clock();
    if (morvane_convert_batch(&input, &output, count, 1) != MORVANE_OK) return 1;
    const std::chrono::duration<double, std::nano> took = std::chrono::steady_clock::now() - start;
    const double cpu = static_cast<double>(std::clock() - cpuStart) / CLOCKS_PER_SEC * 1e9;
    runs.push_back(took.count() / static_cast<double>(n));
    cpuRuns.push_back(cpu / static_cast<double>(n));
  }
  std::sort(runs.begin(), runs.end());
  std::sort(cpuRuns.begin(), cpuRuns.end());
  std::printf("{\"points\":%zu,\"nsPerPoint\":%.2f,\"cpuNsPerPoint\":%.2f,\"check\":%.9f}\n", n,
              runs[runs.size() / 2], cpuRuns[cpuRuns.size() / 2], x[n / 2]);
  return 0;
}
