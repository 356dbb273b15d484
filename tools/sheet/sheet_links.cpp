#include "tools/sheet/sheet_links.h"

#include <algorithm>

#include "platform/clipboard_format.h"

namespace sheet {

using namespace platform;

namespace {
// Bound of each transaction: a server that does not answer holds the window no longer.
constexpr std::uint32_t kTransactionMs = 2000;
}  // namespace

Links::Links(std::string service, Grid& grid, std::function<void(std::size_t, std::size_t)> changed)
    : service_(std::move(service)),
      grid_(grid),
      changed_(std::move(changed)),
      conversations_(grid.Rows(), 0),
      linked_(grid.Rows() * grid.Columns(), false) {}

Links::~Links() {
  if (instance_ == 0) return;
  for (Hconv conv : conversations_)
    if (conv) DdeDisconnect(conv);
  DdeUninitialize(instance_);
}

bool Links::Start(std::string& error) {
  unsigned code = DdeInitialize(
      instance_,
      [this](unsigned type, unsigned, Hconv conv, Hsz, Hsz item, HddeData data, std::uintptr_t,
             std::uintptr_t) { return OnCallback(type, conv, item, data); },
      kAppCmdClientOnly);
  if (code != kDmlErrNoError) {
    instance_ = 0;
    error = "DDE is unavailable (error " + std::to_string(code) + ")";
    return false;
  }
  return true;
}

std::size_t Links::Connect() {
  if (instance_ == 0) return 0;
  Hsz service = DdeCreateStringHandle(instance_, service_);
  for (std::size_t row = 0; row < grid_.Rows(); ++row) {
    if (!conversations_[row]) {
      Hsz topic = DdeCreateStringHandle(instance_, grid_.Symbol(row));
      conversations_[row] = DdeConnect(instance_, service, topic);
      DdeFreeStringHandle(instance_, topic);
      if (!conversations_[row]) continue;
    }
    for (std::size_t column = 0; column < grid_.Columns(); ++column) {
      if (linked_[row * grid_.Columns() + column]) continue;
      Hsz item = DdeCreateStringHandle(instance_, grid_.Item(column));
      std::uint32_t status = 0;
      if (DdeClientTransaction(nullptr, 0, conversations_[row], item, kCfText, kXtypAdvStart,
                               kTransactionMs, &status)) {
        linked_[row * grid_.Columns() + column] = true;
        HddeData value = DdeClientTransaction(nullptr, 0, conversations_[row], item, kCfText,
                                              kXtypRequest, kTransactionMs, &status);
        if (value) {
          Store(row, column, value);
          DdeFreeDataHandle(value);
        }
      }
      DdeFreeStringHandle(instance_, item);
      // The server may have ended the conversation meanwhile; the callback then dropped it.
      if (!conversations_[row]) break;
    }
  }
  DdeFreeStringHandle(instance_, service);
  return LinksRunning();
}

std::size_t Links::LinksRunning() const {
  return static_cast<std::size_t>(std::count(linked_.begin(), linked_.end(), true));
}

std::size_t Links::CellsStale() const {
  std::size_t stale = 0;
  for (std::size_t row = 0; row < grid_.Rows(); ++row)
    for (std::size_t column = 0; column < grid_.Columns(); ++column)
      if (CellStale(row, column)) ++stale;
  return stale;
}

void Links::Store(std::size_t row, std::size_t column, HddeData data) {
  std::vector<std::uint8_t> bytes = DdeDataBytes(data);
  if (grid_.Set(row, column, std::string(bytes.begin(), bytes.end()))) changed_(row, column);
}

HddeData Links::OnCallback(unsigned type, Hconv conv, Hsz item, HddeData data) {
  auto row = std::find(conversations_.begin(), conversations_.end(), conv);
  if (conv == 0 || row == conversations_.end()) return 0;
  const std::size_t index = static_cast<std::size_t>(row - conversations_.begin());
  if (type == kXtypDisconnect) {
    // Tickwell closed or its DDE switched off: the row's values stop here; they are shown as
    // stale at once and linked again when the service answers.
    *row = 0;
    for (std::size_t column = 0; column < grid_.Columns(); ++column) {
      linked_[index * grid_.Columns() + column] = false;
      changed_(index, column);
    }
    return 0;
  }
  if (type == kXtypAdvData) {
    ++updates_;
    const std::size_t column = grid_.ColumnOf(DdeQueryString(instance_, item));
    if (data && column < grid_.Columns()) Store(index, column, data);
    return kDdeFAck;
  }
  return 0;
}

}  // namespace sheet
