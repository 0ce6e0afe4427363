#include "send/drop_folder.h"

#include <algorithm>
#include <filesystem>

#include "core/text_file.h"
#include "core/turn_status.h"

namespace zelvaro::send {

namespace {

namespace fs = std::filesystem;

bool settled(const fs::directory_entry& entry, std::chrono::seconds settle) {
  std::error_code error;
  const fs::file_time_type changed = entry.last_write_time(error);
  return !error && fs::file_time_type::clock::now() - changed >= settle;
}

// Rejected files are kept under their own name, or a numbered one beside an earlier namesake.
fs::path rejectedPlace(const fs::path& folder, const std::string& name) {
  fs::path place = folder / name;
  for (int number = 2; fs::exists(place); ++number) {
    place = folder / (name + "." + std::to_string(number));
  }
  return place;
}

void putAway(const fs::path& file, const JudgedOrders& judged, DropPass& pass) {
  std::error_code error;
  if (judged.in()) {
    fs::remove(file, error);
  } else {
    const fs::path folder = file.parent_path() / "rejected";
    fs::create_directories(folder, error);
    if (!error) fs::rename(file, rejectedPlace(folder, file.filename().string()), error);
  }
  if (error) {
    pass.failures.push_back(file.string() + " was judged " + judged.verdict +
                            " but cannot be moved out of the folder: " + error.message() +
                            "; move it away by hand");
  }
}

}  // namespace

std::string incomingFolderOf(const core::Game& game) {
  return (fs::path(core::journalGameFile(game)).parent_path() / "incoming").string();
}

DropPass takeDropFolder(OrdersIntake& intake, size_t game, std::chrono::seconds settle) {
  DropPass pass;
  const fs::path folder = incomingFolderOf(intake.games().at(game).game);
  std::error_code error;
  if (!fs::is_directory(folder, error)) return pass;
  std::vector<fs::directory_entry> files;
  for (const fs::directory_entry& entry : fs::directory_iterator(folder, error)) {
    const std::string name = entry.path().filename().string();
    if (name.front() != '.' && entry.is_regular_file(error) && settled(entry, settle)) {
      files.push_back(entry);
    }
  }
  if (error) {
    pass.failures.push_back("The drop folder " + folder.string() +
                            " cannot be read: " + error.message());
  }
  std::sort(files.begin(), files.end());
  for (const fs::directory_entry& entry : files) {
    const std::string name = entry.path().filename().string();
    JudgedOrders judged;
    try {
      // A file bigger than any orders is read only as far as it takes to say so.
      judged = intake.takeFile(game, name,
                               core::readFirstBytes(entry.path(), core::kOrdersFileLimit + 1));
    } catch (const core::EInOutError& failure) {
      judged.name = name;
      judged.failure = failure.what();
    }
    if (!judged.failure.empty()) {
      pass.failures.push_back(entry.path().string() + ": " + judged.failure);
    } else {
      putAway(entry.path(), judged, pass);
    }
    pass.judged.push_back(std::move(judged));
  }
  return pass;
}

}  // namespace zelvaro::send
