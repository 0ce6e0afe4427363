#pragma once

// The files of a preview: one message per file, "NN-player<N>.eml", numbered in the order the
// run writes them, so that a folder holds exactly one preview.

#include <string>

namespace zelvaro::send {

// The `count`-th message of a run (from 1), for player `player`.
std::string previewFileName(int count, int player);

// Removes the message files an earlier preview left in the folder (plain files named like
// ours only; anything else is left alone).
void removeEarlierPreviews(const std::string& folder);

}  // namespace zelvaro::send
