// Writes the program's default alarm sound: a soft two-note chime (a high
// "ding" and a lower "dong", each a bell-like tone with a few overtones that
// die away), 16-bit mono PCM at 22050 Hz, about one second long.
//
//   make_alarm_sound src/toolkit/sounds/Alarm.wav

#include <cmath>
#include <cstdint>
#include <algorithm>
#include <cstdio>
#include <numbers>
#include <vector>

namespace {

constexpr int SampleRate = 22050;
constexpr double Length = 1.1; // seconds

struct Note
{
    double start;     // seconds
    double frequency; // Hz
    double loudness;
};

// One struck note: the fundamental and two softer overtones, each fading
// exponentially (higher ones faster), after a 4 ms attack to avoid a click.
double bell(const Note &note, double t)
{
    const double s = t - note.start;
    if (s < 0)
        return 0;
    const double attack = std::min(1.0, s / 0.004);
    struct Partial { double ratio, amplitude, decay; };
    constexpr Partial partials[] = {{1.0, 1.0, 3.2}, {2.0, 0.35, 5.5}, {3.01, 0.12, 8.0}};
    double value = 0;
    for (const Partial &p : partials)
        value += p.amplitude * std::exp(-p.decay * s) * std::sin(2 * std::numbers::pi * note.frequency * p.ratio * s);
    return note.loudness * attack * value;
}

void put16(std::vector<unsigned char> &out, int v)
{
    out.push_back(static_cast<unsigned char>(v & 0xFF));
    out.push_back(static_cast<unsigned char>((v >> 8) & 0xFF));
}

void put32(std::vector<unsigned char> &out, std::uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        out.push_back(static_cast<unsigned char>((v >> (8 * i)) & 0xFF));
}

} // namespace

int main(int argc, char *argv[])
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s output.wav\n", argv[0]);
        return 2;
    }
    const Note notes[] = {{0.0, 1318.51, 0.42}, {0.30, 1046.50, 0.42}}; // E6, then C6
    const int count = static_cast<int>(SampleRate * Length);

    std::vector<unsigned char> data;
    for (int i = 0; i < count; ++i) {
        const double t = double(i) / SampleRate;
        double value = 0;
        for (const Note &n : notes)
            value += bell(n, t);
        // The last 50 ms fade to silence so the sound ends without a click.
        value *= std::min(1.0, (Length - t) / 0.05);
        const int sample = static_cast<int>(std::lround(std::clamp(value, -1.0, 1.0) * 32767));
        put16(data, sample);
    }

    std::vector<unsigned char> file;
    for (char c : {'R', 'I', 'F', 'F'}) file.push_back(static_cast<unsigned char>(c));
    put32(file, static_cast<std::uint32_t>(36 + data.size()));
    for (char c : {'W', 'A', 'V', 'E', 'f', 'm', 't', ' '}) file.push_back(static_cast<unsigned char>(c));
    put32(file, 16);             // format chunk size
    put16(file, 1);              // PCM
    put16(file, 1);              // mono
    put32(file, SampleRate);
    put32(file, SampleRate * 2); // bytes per second
    put16(file, 2);              // bytes per frame
    put16(file, 16);             // bits per sample
    for (char c : {'d', 'a', 't', 'a'}) file.push_back(static_cast<unsigned char>(c));
    put32(file, static_cast<std::uint32_t>(data.size()));
    file.insert(file.end(), data.begin(), data.end());

    std::FILE *out = std::fopen(argv[1], "wb");
    if (!out || std::fwrite(file.data(), 1, file.size(), out) != file.size() || std::fclose(out) != 0) {
        std::perror(argv[1]);
        return 1;
    }
    return 0;
}
