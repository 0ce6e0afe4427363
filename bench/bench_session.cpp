// Whole send sessions, side by side with the peers, against one discard sink on loopback:
// a 16-player game (a 50 KB result file and the 200 KB universe file each) and a game with one
// 20 MB result file, mailed by the program's batch run (`zelvaro /send`), by a window-mode probe
// (the main window with the monitor open, Send as the button does it), by Python's smtplib and
// by `curl -F`; the 16-player game over STARTTLS with a login, directly and through a relay that
// delays each direction by 50 ms, beside smtplib's one connection a message; then the program's
// peak memory with attachments of 1, 20 and 100 MB. Prints one table (Markdown): time, CPU,
// peak memory and the ratios.
//
//   build-release/bench/bench_session [submission]
//
// Every sender is a child process, so its time, CPU and peak memory are its own. The batch
// runs have no display, as from cron; the probe runs offscreen unless DISPLAY is set (use
// xvfb-run to paint to a real X server). Settings, home and state live in a throw-away folder.

#include <time.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "core/contestor_entry.h"
#include "core/game_file.h"
#include "core/player_database.h"
#include "core/text_file.h"
#include "core/text_store.h"
#include "delay_relay.h"
#include "platform/application.h"
#include "support.h"
#include "support/stars_turn.h"
#include "support/test_certificates.h"
#include "ui/main_window.h"
#include "ui/text_window.h"

namespace {

namespace fs = std::filesystem;
using zelvaro::bench::Run;
using zelvaro::bench::runChild;

constexpr int kYear = 2426;
constexpr size_t kKb = 1024;
constexpr size_t kMb = 1024 * 1024;

// `size` bytes of noise: what a Stars! file's encrypted blocks look like.
std::string noise(size_t size, unsigned seed) {
  std::mt19937 random(seed);
  std::string bytes(size, '\0');
  for (char& b : bytes) b = static_cast<char>(random() & 0xFF);
  return bytes;
}

void writeBytes(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary)
      .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string address(int player) {
  return "player" + std::to_string(player) + "@example.org";
}

struct Player {
  std::string address;
  std::vector<std::string> files;
};

// A game of `players` players in its own folder, each mailed a result file of `resultBytes`
// and, when `universeBytes` is not 0, the universe file.
struct BenchGame {
  std::string path;  // the game file
  std::vector<Player> players;
};

BenchGame makeGame(const fs::path& folder, const std::string& name, int players, size_t resultBytes,
                   size_t universeBytes) {
  using namespace zelvaro;
  fs::create_directories(folder);
  const std::string base = (folder / name).string() + ".";
  writeBytes(base + "xy", zelvaro::test::starsUniverse(
                              static_cast<int>(std::max<size_t>(universeBytes, 2 * kKb) / 4)));
  writeBytes(base + "hst", zelvaro::test::starsHost(kYear, noise(9 * kKb, 2)));
  core::Game game;
  game.name = name;
  game.universePath = base + "xy";
  game.subject = "Turn %Y of %G for player %P";
  game.body = {"Greetings, commander!", "", "Your turn for %Y is attached.", "", "-- the host"};
  game.attachResults = true;
  game.attachUniverse = universeBytes > 0;
  game.filePath = (folder / (name + ".zv")).string();
  BenchGame made{game.filePath, {}};
  for (int player = 1; player <= players; ++player) {
    const std::string result = base + "m" + std::to_string(player);
    writeBytes(result, zelvaro::test::starsTurn(
                           kYear, player, noise(resultBytes, 10 + static_cast<unsigned>(player))));
    game.roster.push_back(
        core::ContestorEntry::assigned("Player " + std::to_string(player), address(player)));
    made.players.push_back({address(player), {result}});
    if (game.attachUniverse) made.players.back().files.push_back(base + "xy");
  }
  core::writeGameFile(game);
  return made;
}

// The program's settings, home and state folders, all under `folder`.
std::vector<std::string> programEnvironment(const fs::path& folder, int port) {
  using namespace zelvaro;
  const fs::path config = folder / "config";
  fs::create_directories(config / "zelvaro");
  fs::create_directories(folder / "home");
  fs::create_directories(folder / "state");
  const std::string settings = (config / "zelvaro" / "zelvaro.cfg").string();
  const std::string database = (folder / "players.txt").string();
  core::createSettingsIfMissing(settings);
  core::WriteKey(settings, "server", "127.0.0.1:" + std::to_string(port));
  core::WriteKey(settings, "email", "host@example.org");
  core::WriteKey(settings, "defalias", "Bench Host");
  core::WriteKey(settings, "database", database);
  core::WriteKey(settings, "logging", "0");
  core::WriteKey(settings, "splash", "0");
  std::ofstream(database, std::ios::trunc).close();
  for (int player = 1; player <= 16; ++player) {
    core::PlayerDatabase(database).append(
        {"Player " + std::to_string(player), address(player), ""});
  }
  return {"HOME=" + (folder / "home").string(), "XDG_CONFIG_HOME=" + config.string(),
          "XDG_STATE_HOME=" + (folder / "state").string()};
}

// ---- the window-mode probe, in the child ----

double threadCpuMs() {
  timespec time{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &time);
  return static_cast<double>(time.tv_sec) * 1e3 + static_cast<double>(time.tv_nsec) / 1e6;
}

// `bench_session --window <settings> <game> <result>`: opens the game in the main window, shows
// the monitor and sends; writes the longest turn of the event loop (ms) to <result>.
int windowProbe(int argc, char** argv) {
  using namespace zelvaro;
  platform::Application app(argc, argv, platform::Application::Kind::Widgets);
  ui::MainWindow window(argv[2]);
  window.FormCreate();
  window.show();
  window.openGameFile(argv[3]);
  window.monitorWindow().showWindow();
  QCoreApplication::processEvents();
  // A timer that wants to tick every millisecond: the longest gap between two ticks is the
  // longest time the window did not answer. The thread's CPU time over that gap tells the work
  // of the program from the time the system gave to other processes.
  QElapsedTimer clock;
  clock.start();
  qint64 last = 0;
  double lastCpu = 0;
  qint64 longest = 0;
  double longestCpu = 0;
  QTimer probe;
  probe.setTimerType(Qt::PreciseTimer);
  probe.setInterval(1);
  QObject::connect(&probe, &QTimer::timeout, [&] {
    const qint64 now = clock.nsecsElapsed();
    const double cpu = threadCpuMs();
    longest = std::max(longest, now - last);
    longestCpu = std::max(longestCpu, cpu - lastCpu);
    last = now;
    lastCpu = cpu;
  });
  last = clock.nsecsElapsed();
  lastCpu = threadCpuMs();
  probe.start();
  const bool mailed = window.sendGame();
  probe.stop();
  std::ofstream(argv[4]) << static_cast<double>(longest) / 1e6 << " " << longestCpu << "\n";
  return mailed ? 0 : 1;
}

// ---- the table ----

std::string figure(double value, const char* unit) {
  char text[32];
  std::snprintf(text, sizeof text, value < 10 ? "%.2f %s" : "%.0f %s", value, unit);
  return text;
}

std::string ratio(double ours, double theirs, const char* what) {
  char text[96];
  std::snprintf(text, sizeof text, "%.2fx %s", ours / theirs, what);
  return text;
}

void row(const std::string& what, const Run& run, const std::string& note = {}) {
  std::printf("| %s | %s | %s | %s | %s%s |\n", what.c_str(), figure(run.seconds, "s").c_str(),
              figure(run.cpuSeconds, "s").c_str(), figure(run.peakMb(), "MB").c_str(), note.c_str(),
              run.ok ? "" : " FAILED");
  std::fflush(stdout);
}

class Bench {
 public:
  explicit Bench(std::string self)
      : self_(std::move(self)),
        folder_(fs::temp_directory_path() / ("zelvaro-bench-session-" + std::to_string(getpid()))),
        environment_(programEnvironment(folder_, sink_.port())) {
    // A batch run has no display, as from cron.
    batchEnvironment_ = environment_;
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) {
      batchEnvironment_.emplace_back(name);
    }
    windowEnvironment_ = environment_;
    if (std::getenv("DISPLAY") == nullptr)
      windowEnvironment_.emplace_back("QT_QPA_PLATFORM=offscreen");
  }
  ~Bench() { fs::remove_all(folder_); }

  // `only`: "submission" for those rows alone.
  void run(const std::string& only) {
    std::printf("| run | time | CPU | peak memory | ratio |\n|---|---|---|---|---|\n");
    if (only == "submission") return submission();
    sixteenPlayers();
    submission();
    twentyMegabytes();
    memoryBySize();
  }

 private:
  // Runs a sender that should leave the game's messages in the sink, the last one at least as
  // long as the base64 of its files.
  Run sending(const zelvaro::bench::Sink& sink, const BenchGame& game, size_t messages,
              const std::vector<std::string>& args, const std::vector<std::string>& environment) {
    const size_t before = sink.messages();
    Run run = runChild(args, environment);
    size_t base64 = 0;
    for (const std::string& file : game.players.back().files) base64 += fs::file_size(file) / 3 * 4;
    run.ok = run.ok && sink.messages() - before == messages && sink.lastMessageBytes() >= base64;
    return run;
  }
  Run sending(const BenchGame& game, size_t messages, const std::vector<std::string>& args,
              const std::vector<std::string>& environment) {
    return sending(sink_, game, messages, args, environment);
  }
  Run sending(const BenchGame& game, const std::vector<std::string>& args,
              const std::vector<std::string>& environment) {
    return sending(game, game.players.size(), args, environment);
  }

  Run batch(const BenchGame& game) {
    return sending(game, {ZELVARO_PROGRAM, "/send", game.path}, batchEnvironment_);
  }

  // One connection a message, as smtplib is used; over STARTTLS with a login when `caFile` is
  // given, to localhost (the name the certificate is for).
  Run smtplib(const BenchGame& game, const zelvaro::bench::Sink& sink, int port,
              const std::string& caFile = {}) {
    const std::string manifest = (folder_ / "manifest.txt").string();
    {
      std::ofstream out(manifest);
      for (const Player& player : game.players) {
        out << player.address;
        for (const std::string& file : player.files) out << '\t' << file;
        out << '\n';
      }
    }
    static const char* const kScript = R"(
import os, smtplib, ssl, sys
from email.message import EmailMessage
port = int(sys.argv[1])
cafile = sys.argv[3] if len(sys.argv) > 3 else None
for line in open(sys.argv[2]):
    address, *files = line.rstrip("\n").split("\t")
    message = EmailMessage()
    message["From"] = "Bench Host <host@example.org>"
    message["To"] = address
    message["Subject"] = "benchmark"
    message.set_content("Your turn is attached.")
    for path in files:
        with open(path, "rb") as f:
            message.add_attachment(f.read(), maintype="application", subtype="octet-stream",
                                   filename=os.path.basename(path))
    with smtplib.SMTP("localhost" if cafile else "127.0.0.1", port) as server:
        if cafile:
            server.starttls(context=ssl.create_default_context(cafile=cafile))
            server.login("host", "pw")
        server.send_message(message)
)";
    std::vector<std::string> args{"python3", "-c", kScript, std::to_string(port), manifest};
    if (!caFile.empty()) args.push_back(caFile);
    return sending(sink, game, game.players.size(), args, {});
  }

  Run curl(const BenchGame& game) {
    Run all;
    all.ok = true;
    for (const Player& player : game.players) {
      all += sending(game, 1,
                     zelvaro::bench::curlUpload(sink_.port(), player.address, player.files), {});
    }
    return all;
  }

  void sixteenPlayers() {
    const BenchGame game = makeGame(folder_ / "sixteen", "sixteen", 16, 50 * kKb, 200 * kKb);
    const Run python = smtplib(game, sink_, sink_.port());
    const Run curls = curl(game);
    const Run ours = batch(game);
    row("16 players x (50 KB + 200 KB): `zelvaro /send`", ours,
        ratio(ours.seconds, python.seconds, "Python smtplib"));
    row("16 players: Python smtplib", python);
    row("16 players: 16 x `curl -F`", curls);
  }

  // Submission as providers run it, STARTTLS and a login, beside smtplib's one connection a
  // message; then through a relay that delays each direction by 50 ms, as a home line does.
  void submission() {
    const zelvaro::test::TestCertificates certificates;
    zelvaro::bench::Sink sink(certificates.certificateFile(), certificates.keyFile(), true);
    const BenchGame game = makeGame(folder_ / "submission", "submission", 16, 50 * kKb, 200 * kKb);
    for (int delayMs : {0, 50}) {
      std::optional<zelvaro::bench::DelayRelay> relay;
      if (delayMs > 0) relay.emplace(sink.port(), std::chrono::milliseconds(delayMs));
      const int port = relay ? relay->port() : sink.port();
      const fs::path home = folder_ / ("submission-" + std::to_string(delayMs));
      std::vector<std::string> environment = programEnvironment(home, port);
      for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) {
        environment.emplace_back(name);
      }
      const std::string settings = (home / "config" / "zelvaro" / "zelvaro.cfg").string();
      zelvaro::core::WriteKey(settings, "server", "localhost:" + std::to_string(port));
      zelvaro::core::WriteKey(settings, "security", "starttls");
      zelvaro::core::WriteKey(settings, "user", "host");
      zelvaro::core::WriteKey(settings, "passwordcommand", "echo pw");
      zelvaro::core::WriteKey(settings, "cafile", certificates.caFile());
      const Run python = smtplib(game, sink, port, certificates.caFile());
      const size_t connections = sink.connections();
      const Run ours = sending(sink, game, game.players.size(),
                               {ZELVARO_PROGRAM, "/send", game.path}, environment);
      const std::string where =
          delayMs > 0 ? ", " + std::to_string(delayMs) + " ms each way" : std::string();
      row("16 players over STARTTLS + AUTH" + where + ": `zelvaro /send`", ours,
          ratio(ours.seconds, python.seconds, "Python smtplib") + "; " +
              std::to_string(sink.connections() - connections) + " connection(s)");
      row("16 players over STARTTLS + AUTH" + where + ": Python smtplib", python);
    }
  }

  void twentyMegabytes() {
    const BenchGame game = makeGame(folder_ / "twenty", "twenty", 1, 20 * kMb, 0);
    const std::string& file = game.players[0].files[0];
    const Run curls = curl(game);
    const Run ours = batch(game);
    const Run engine = sending(game, {self_, "--engine", std::to_string(sink_.port()), file}, {});
    const std::string result = (folder_ / "stall.txt").string();
    const std::string settings = (folder_ / "config" / "zelvaro" / "zelvaro.cfg").string();
    const Run window =
        sending(game, {self_, "--window", settings, game.path, result}, windowEnvironment_);
    double stallMs = -1;
    double stallCpuMs = -1;
    std::ifstream(result) >> stallMs >> stallCpuMs;
    row("one 20 MB attachment: `zelvaro /send`", ours, ratio(ours.seconds, curls.seconds, "curl"));
    row("20 MB: the engine alone", engine, ratio(engine.seconds, curls.seconds, "curl"));
    row("20 MB: the window, monitor open", window,
        ratio(window.seconds, ours.seconds, "the batch run") + "; longest loop stall " +
            figure(stallMs, "ms") + " (" + figure(stallCpuMs, "ms") + " of it CPU)");
    row("20 MB: `curl -F`", curls);
  }

  void memoryBySize() {
    std::vector<double> peaks;
    for (size_t megabytes : {1, 20, 100}) {
      const std::string name = "size" + std::to_string(megabytes);
      const BenchGame game = makeGame(folder_ / name, name, 1, megabytes * kMb, 0);
      const Run ours = batch(game);
      peaks.push_back(ours.peakMb());
      char difference[48];
      std::snprintf(difference, sizeof difference, "%+.1f MB against 1 MB",
                    peaks.back() - peaks.front());
      row("peak memory, " + std::to_string(megabytes) + " MB attachment: `zelvaro /send`", ours,
          megabytes == 1 ? std::string() : difference);
      fs::remove_all(folder_ / name);
    }
  }

  std::string self_;
  zelvaro::bench::Sink sink_;
  fs::path folder_;
  std::vector<std::string> environment_;
  std::vector<std::string> batchEnvironment_;
  std::vector<std::string> windowEnvironment_;
};

}  // namespace

int main(int argc, char** argv) {
  if (argc == 4 && std::string(argv[1]) == "--engine") {
    return zelvaro::bench::sendWithEngine(argc, argv);
  }
  if (argc == 5 && std::string(argv[1]) == "--window") return windowProbe(argc, argv);
  Bench(fs::read_symlink("/proc/self/exe").string()).run(argc == 2 ? argv[1] : "");
  return 0;
}
