// tickwell-sheet's DDE side: a client instance with one conversation per symbol and one hot link
// per cell, as a spreadsheet holds them. Values sent on the links go into the grid.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

#include "platform/ddeml.h"
#include "tools/sheet/sheet_grid.h"

namespace sheet {

class Links {
 public:
  // changed is called for each cell whose value a link changes, and for each cell of a link
  // that is lost.
  Links(std::string service, Grid& grid, std::function<void(std::size_t, std::size_t)> changed);
  ~Links();
  Links(const Links&) = delete;
  Links& operator=(const Links&) = delete;

  // Starts the DDE client instance; false with error set when DDE is unavailable.
  bool Start(std::string& error);
  // Connects the symbols that have no conversation yet and starts the links that are not
  // running: each new link is filled at once by a request, then follows by advise. Symbols
  // whose topic does not answer are left for the next call, and so are the links of a
  // conversation the server ended. Returns the links running.
  std::size_t Connect();

  std::size_t LinksRunning() const;
  bool CellLinked(std::size_t row, std::size_t column) const {
    return linked_[row * grid_.Columns() + column];
  }
  // A value whose link has been lost (the server ended the conversation): it is the last one
  // sent and may be old.
  bool CellStale(std::size_t row, std::size_t column) const {
    return !CellLinked(row, column) && !grid_.Value(row, column).empty();
  }
  std::size_t CellsStale() const;
  long Updates() const { return updates_; }

 private:
  platform::HddeData OnCallback(unsigned type, platform::Hconv conv, platform::Hsz item,
                                platform::HddeData data);
  void Store(std::size_t row, std::size_t column, platform::HddeData data);

  std::string service_;
  Grid& grid_;
  std::function<void(std::size_t, std::size_t)> changed_;
  platform::DdeInstance instance_ = 0;
  std::vector<platform::Hconv> conversations_;  // one per row; 0 = none
  std::vector<bool> linked_;                    // one per cell
  long updates_ = 0;
};

}  // namespace sheet
