#include "app/service_names.h"

#include "dde/model/names.h"
#include "interapp/terminal_label.h"

namespace tickwell {

void TServiceNames::SetServed(int Terminal, bool Served) {
  if (Terminal < 0) return;
  if (Served_.size() <= static_cast<std::size_t>(Terminal))
    Served_.resize(static_cast<std::size_t>(Terminal) + 1, 0);
  Served_[static_cast<std::size_t>(Terminal)] = Served ? 1 : 0;
}

bool TServiceNames::Served(int Terminal) const {
  return Terminal >= 0 && static_cast<std::size_t>(Terminal) < Served_.size() &&
         Served_[static_cast<std::size_t>(Terminal)] != 0;
}

void TServiceNames::Update(const TQuoteBook& Book, int Default, const std::string& Mt4Service) {
  Default_ = Default;
  Mt4Service_ = Mt4Service;
  Terminals_.assign(static_cast<std::size_t>(Book.TerminalCount()), TNames{});
  for (int t = 0; t < Book.TerminalCount(); ++t) {
    TNames& names = Terminals_[static_cast<std::size_t>(t)];
    const auto add = [&](int layout, std::string name) {
      names.Names[layout][names.Count[layout]++] = std::move(name);
    };
    if (t == Default) {
      add(0, kMt5);
      if (!Mt4Service.empty()) add(1, Mt4Service);
    }
    const std::string& label = Book.Terminal(t).Label;
    if (!label.empty() && Served(t)) {
      add(0, Mt5ServiceOf(label));
      if (!Mt4Service.empty()) add(1, Mt4ServiceOf(label));
    }
  }
}

std::span<const std::string> TServiceNames::Layout(int Terminal, int Layout) const {
  if (Terminal < 0 || static_cast<std::size_t>(Terminal) >= Terminals_.size()) return {};
  const TNames& names = Terminals_[static_cast<std::size_t>(Terminal)];
  return std::span<const std::string>(names.Names[Layout].data(), names.Count[Layout]);
}

int TServiceNames::Owner(std::string_view Service, int Layout) const {
  for (std::size_t t = 0; t < Terminals_.size(); ++t)
    for (const std::string& name : this->Layout(static_cast<int>(t), Layout))
      if (SameName(name, Service)) return static_cast<int>(t);
  return -1;
}

bool TServiceNames::IsMt4(std::string_view Service) const {
  return !Mt4Service_.empty() && (SameName(Service, Mt4Service_) || Owner(Service, 1) >= 0);
}

std::vector<std::string> TServiceNames::All() const {
  std::vector<std::string> all{kMt5};
  if (!Mt4Service_.empty()) all.push_back(Mt4Service_);
  for (std::size_t t = 0; t < Terminals_.size(); ++t)
    for (int layout = 0; layout < 2; ++layout)
      for (const std::string& name : Layout(static_cast<int>(t), layout)) {
        bool known = false;
        for (const std::string& have : all) known |= SameName(have, name);
        if (!known) all.push_back(name);
      }
  return all;
}

}  // namespace tickwell
