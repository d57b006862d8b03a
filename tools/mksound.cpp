// SPDX-FileCopyrightText: 2026 Zendral developers
// SPDX-License-Identifier: GPL-3.0-or-later

// Synthesizes the game's sound effects from noise and oscillators and writes them as WAV files
// (PCM 16-bit, mono, 22050 Hz) into <folder>/sounds. Usage: mksound <folder>. The noise comes from a
// fixed-seed generator, so running it again gives the very same files.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <numbers>
#include <string>
#include <vector>

namespace {

constexpr int kRate = 22050;
constexpr double kTwoPi = 2.0 * std::numbers::pi;

using Samples = std::vector<double>;

// xorshift32, white noise in [-1, 1).
class Noise {
  public:
    explicit Noise(std::uint32_t seed) : s_(seed ? seed : 1u) {}
    double operator()() {
        s_ ^= s_ << 13;
        s_ ^= s_ >> 17;
        s_ ^= s_ << 5;
        return (s_ >> 8) / 8388608.0 - 1.0;
    }

  private:
    std::uint32_t s_;
};

// One-pole low-pass with a cutoff that may change every sample.
class LowPass {
  public:
    double operator()(double x, double cutoff) {
        const double a = 1.0 - std::exp(-kTwoPi * cutoff / kRate);
        y_ += a * (x - y_);
        return y_;
    }

  private:
    double y_ = 0;
};

// State-variable band-pass (resonant), centre frequency may change every sample.
class BandPass {
  public:
    explicit BandPass(double q) : damp_(1.0 / q) {}
    double operator()(double x, double centre) {
        const double f = 2.0 * std::sin(std::numbers::pi * std::min(centre, kRate / 6.0) / kRate);
        low_ += f * band_;
        const double high = x - low_ - damp_ * band_;
        band_ += f * high;
        return band_;
    }

  private:
    double damp_;
    double low_ = 0, band_ = 0;
};

int Count(double seconds) {
    return static_cast<int>(seconds * kRate);
}
double Time(int i) {
    return static_cast<double>(i) / kRate;
}

// Exponential decay with time constant tau, starting at t0 (silent before it), with a short attack.
double Burst(double t, double t0, double attack, double tau) {
    if (t < t0)
        return 0;
    const double u = t - t0;
    const double rise = attack > 0 ? std::min(1.0, u / attack) : 1.0;
    return rise * std::exp(-u / tau);
}

// Soft saturation, fades at both ends against clicks, and scaling to the given peak (of full scale).
void Finish(Samples& s, double peak) {
    for (double& v : s)
        v = std::tanh(v);
    const int fadeIn = Count(0.002), fadeOut = Count(0.012);
    const int n = static_cast<int>(s.size());
    for (int i = 0; i < n; ++i) {
        double g = 1.0;
        if (i < fadeIn)
            g = static_cast<double>(i) / fadeIn;
        if (n - 1 - i < fadeOut)
            g = std::min(g, static_cast<double>(n - 1 - i) / fadeOut);
        s[i] *= g;
    }
    double top = 0;
    for (double v : s)
        top = std::max(top, std::abs(v));
    if (top > 0)
        for (double& v : s)
            v *= peak / top;
}

// Placing a ship: a small latch click, then the heavy clunk of the clamp and a faint rattle.
Samples Lock() {
    Noise noise(0x10cu);
    BandPass clickTone(6.0), clunkTone(3.0);
    LowPass body;
    Samples s(Count(0.25));
    double phase1 = 0, phase2 = 0;
    for (size_t i = 0; i < s.size(); ++i) {
        const double t = Time(static_cast<int>(i));
        const double n = noise();
        double v = 0;
        // Latch click.
        v += 1.6 * clickTone(n, 3200) * Burst(t, 0.0, 0.0005, 0.006);
        // Clunk: a low thud with a metallic ring on top.
        const double thud = Burst(t, 0.035, 0.001, 0.045);
        phase1 += kTwoPi * (150 - 40 * std::min(1.0, (t - 0.035) / 0.1)) / kRate;
        phase2 += kTwoPi * 930 / kRate;
        v += 0.9 * std::sin(phase1) * thud;
        v += 0.25 * std::sin(phase2) * Burst(t, 0.035, 0.001, 0.03);
        v += 0.25 * std::sin(phase2 * 1.62) * Burst(t, 0.035, 0.001, 0.018);
        v += 2.2 * clunkTone(n, 700) * Burst(t, 0.035, 0.0005, 0.015);
        v += 0.6 * body(n, 900) * thud;
        // Settling rattle.
        v += 0.5 * clickTone(n, 2400) * Burst(t, 0.105, 0.0005, 0.005);
        v += 0.3 * clickTone(n, 2000) * Burst(t, 0.14, 0.0005, 0.004);
        s[i] = 1.3 * v;
    }
    Finish(s, 0.8);
    return s;
}

// A miss: a soft whoosh that sweeps down and fades, with a little splash of hiss.
Samples Mimo() {
    Noise noise(0x313u);
    BandPass sweep(2.5), sweep2(4.0);
    LowPass soft, soft2;
    Samples s(Count(0.5));
    for (size_t i = 0; i < s.size(); ++i) {
        const double t = Time(static_cast<int>(i));
        const double n = noise();
        const double centre = 2600 * std::exp(-t / 0.14) + 350;
        const double env = std::min(1.0, t / 0.05) * std::exp(-std::max(0.0, t - 0.05) / 0.12);
        double v = 1.4 * sweep(n, centre) * env;
        v += 0.8 * sweep2(n, centre * 1.9) * env * 0.6;
        v += 1.2 * soft2(soft(n, 500), 500) * Burst(t, 0.04, 0.02, 0.15);
        s[i] = v;
    }
    Finish(s, 0.7);
    return s;
}

// A hit: a sharp crack followed by a short blast and a falling thump.
Samples Ranen() {
    Noise noise(0x7a9u);
    LowPass blast, blast2, crackHp;
    Samples s(Count(0.5));
    double phase = 0;
    for (size_t i = 0; i < s.size(); ++i) {
        const double t = Time(static_cast<int>(i));
        const double n = noise();
        double v = 0;
        // Crack: bright broadband noise, very short (high-passed by subtracting its low part).
        v += 2.2 * (n - crackHp(n, 1500)) * Burst(t, 0.0, 0.0008, 0.012);
        // Blast: darkening noise.
        const double cutoff = 3000 * std::exp(-t / 0.08) + 250;
        v += 3.0 * blast2(blast(n, cutoff), cutoff) * Burst(t, 0.002, 0.002, 0.12);
        // Thump.
        phase += kTwoPi * (55 + 95 * std::exp(-t / 0.05)) / kRate;
        v += 0.9 * std::sin(phase) * Burst(t, 0.0, 0.003, 0.09);
        s[i] = 1.6 * v;
    }
    Finish(s, 0.88);
    return s;
}

// A ship destroyed: a big blast that rolls on into a long rumble, with secondary bangs and debris.
Samples Ubit() {
    Noise noise(0xb17u);
    LowPass blast, blast2, rumble, rumble2, wobble, crackHp;
    Samples s(Count(1.0));
    double phase = 0;
    const double bangs[] = {0.0, 0.16, 0.31, 0.47};
    for (size_t i = 0; i < s.size(); ++i) {
        const double t = Time(static_cast<int>(i));
        const double n = noise();
        double v = 0;
        // Opening crack and the secondary ones, each weaker.
        for (int b = 0; b < 4; ++b)
            v += (1.0 - 0.2 * b) * (n - crackHp(n, 1200)) * Burst(t, bangs[b], 0.001, 0.02);
        // Main blast noise, darkening as it goes.
        const double cutoff = 2500 * std::exp(-t / 0.18) + 150;
        double blastEnv = 0;
        for (int b = 0; b < 4; ++b)
            blastEnv += (1.0 - 0.2 * b) * Burst(t, bangs[b], 0.004, b == 0 ? 0.3 : 0.12);
        v += 3.2 * blast2(blast(n, cutoff), cutoff) * blastEnv;
        // Long rumble with a slow random wobble.
        const double wob = 1.0 + 4.0 * wobble(noise(), 6);
        v += 7.0 * rumble2(rumble(n, 120), 120) * Burst(t, 0.01, 0.05, 0.45) * std::clamp(wob, 0.3, 1.7);
        // Deep thump.
        phase += kTwoPi * (32 + 70 * std::exp(-t / 0.12)) / kRate;
        v += 1.0 * std::sin(phase) * Burst(t, 0.0, 0.004, 0.25);
        // Falling debris: sparse little clicks late in the sound.
        if (t > 0.3 && noise() > 0.9965)
            v += 0.8 * noise() * std::exp(-(t - 0.3) / 0.5);
        s[i] = 1.5 * v;
    }
    Finish(s, 0.9);
    return s;
}

void Put16(std::ofstream& out, std::uint16_t v) {
    const char b[2] = {static_cast<char>(v & 0xff), static_cast<char>(v >> 8)};
    out.write(b, 2);
}

void Put32(std::ofstream& out, std::uint32_t v) {
    for (int k = 0; k < 4; ++k) {
        const char c = static_cast<char>((v >> (8 * k)) & 0xff);
        out.write(&c, 1);
    }
}

bool WriteWav(const std::filesystem::path& path, const Samples& s) {
    std::ofstream out(path, std::ios::binary);
    if (!out)
        return false;
    const auto dataBytes = static_cast<std::uint32_t>(s.size() * 2);
    out.write("RIFF", 4);
    Put32(out, 36 + dataBytes);
    out.write("WAVE", 4);
    out.write("fmt ", 4);
    Put32(out, 16);
    Put16(out, 1); // PCM
    Put16(out, 1); // mono
    Put32(out, kRate);
    Put32(out, kRate * 2); // bytes per second
    Put16(out, 2);         // bytes per frame
    Put16(out, 16);        // bits per sample
    out.write("data", 4);
    Put32(out, dataBytes);
    for (double v : s) {
        const long q = std::lround(std::clamp(v, -1.0, 1.0) * 32767.0);
        Put16(out, static_cast<std::uint16_t>(static_cast<std::int16_t>(q)));
    }
    return static_cast<bool>(out);
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: mksound <folder>\n");
        return 2;
    }
    const std::filesystem::path dir = std::filesystem::path(argv[1]) / "sounds";
    std::error_code ec;
    std::filesystem::create_directories(dir, ec);
    if (ec) {
        std::fprintf(stderr, "mksound: cannot create %s\n", dir.string().c_str());
        return 1;
    }
    struct Item {
        const char* name;
        Samples samples;
    };
    const Item items[] = {
        {"Lock.wav", Lock()}, {"Mimo.wav", Mimo()}, {"Ranen.wav", Ranen()}, {"Ubit.wav", Ubit()}};
    bool ok = true;
    for (const Item& item : items) {
        if (!WriteWav(dir / item.name, item.samples)) {
            std::fprintf(stderr, "mksound: cannot write %s\n", (dir / item.name).string().c_str());
            ok = false;
        }
    }
    return ok ? 0 : 1;
}
