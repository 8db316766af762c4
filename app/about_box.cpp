#include "app/about_box.h"

#include <algorithm>

#include "ui/text/terminal_view.h"

namespace quorvan {

std::vector<std::string> AboutBoxLines() {
  const std::string caption(kAboutCaption);
  const std::string text(kAboutText);
  const std::string button = "[ " + std::string(kAboutButton) + " ]";
  const int inner = std::max<int>({DisplayWidth(caption), DisplayWidth(text), 20}) + 4;
  auto centred = [inner](const std::string& s) {
    const int left = (inner - DisplayWidth(s)) / 2;
    std::string line = "|";
    line.append(static_cast<std::size_t>(left), ' ');
    line.append(s);
    line.append(static_cast<std::size_t>(inner - left - DisplayWidth(s)), ' ');
    line.append("|");
    return line;
  };
  std::string rule = "+";
  rule.append(static_cast<std::size_t>(inner), '-');
  rule.append("+");
  return {rule,        centred(caption), rule, centred(""), centred(text),
          centred(""), centred(button),  rule};
}

}  // namespace quorvan
