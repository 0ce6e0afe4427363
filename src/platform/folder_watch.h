#pragma once

// Tells when something in a set of folders may have changed: a change notice from the system
// for the folder or any file in it, and a rescan at a fixed interval in case a notice never
// comes (network file systems send none). A folder that does not exist is looked for again at
// each rescan. Callers look at the files themselves: a call says only "look again".

#include <functional>
#include <memory>
#include <string>

namespace zelvaro::platform {

class FolderWatch {
 public:
  explicit FolderWatch(int rescanMs = 60000);
  ~FolderWatch();
  FolderWatch(const FolderWatch&) = delete;
  FolderWatch& operator=(const FolderWatch&) = delete;

  void watch(const std::string& folder);

  // From the loop, with the folder as given to watch(); at a rescan, once for every folder.
  std::function<void(const std::string& folder)> onChange;

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace zelvaro::platform
