// What choosing the drawing path costs at start-up, in fresh processes: the device check
// that decides alone on a machine without a GPU, and the OpenGL probe that runs where there
// is a GPU device (measured here whatever the machine, to know its price).
#include <gtk/gtk.h>

#include <cstdio>
#include <string>
#include <vector>

#include "Measure.h"
#include "shell/StartupEnvironment.h"

using namespace delvaronte;
using namespace delvaronte::bench;

namespace {

double millisecondsOf(const auto& step) {
    const gint64 start = g_get_monotonic_time();
    step();
    return (g_get_monotonic_time() - start) / 1e3;
}

// One start: the display opened as GTK opens it, then the two steps; prints both times.
int once() {
    if (!gtk_init_check()) return 1;
    DrawingFacts facts;
    std::string renderer;
    const double check = millisecondsOf([&] { facts = findDrawingFacts(); });
    const double probe = millisecondsOf([&] { renderer = readOpenGlRenderer(); });
    std::printf("%.3f %.3f %d %s\n", check, probe, facts.gpuDevice ? 1 : 0, renderer.c_str());
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc > 1 && std::string(argv[1]) == "--once") return once();
    const int rounds = countOption(option(argc, argv, "--rounds", "9").c_str(), 9);
    std::vector<double> checks, probes;
    std::string seen;
    for (int round = 0; round < rounds; ++round) {
        const char* command[] = {argv[0], "--once", nullptr};
        gchar* out = nullptr;
        double check = 0, probe = 0;
        int gpu = 0;
        char renderer[256] = "";
        if (g_spawn_sync(nullptr, const_cast<char**>(command), nullptr, G_SPAWN_DEFAULT, nullptr,
                         nullptr, &out, nullptr, nullptr, nullptr) &&
            std::sscanf(out, "%lf %lf %d %255[^\n]", &check, &probe, &gpu, renderer) >= 3) {
            checks.push_back(check);
            probes.push_back(probe);
            seen = std::string(renderer) + (gpu ? ", GPU device present" : ", no GPU device");
        }
        g_free(out);
    }
    if (checks.empty()) {
        std::fprintf(stderr, "needs an X display: run through scripts/bench.sh\n");
        return 1;
    }
    std::printf("OpenGL here: %s\n", seen.c_str());
    std::printf("device check (and the probe, where it runs): %s\n",
                describe(summarize(checks), "ms", 3).c_str());
    std::printf("OpenGL probe alone:                          %s\n",
                describe(summarize(probes), "ms", 1).c_str());
    return 0;
}
