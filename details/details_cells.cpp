#include "details/details_cells.h"

#include <array>
#include <charconv>
#include <memory>
#include <string>

namespace quorvan {

CellTextOverride DetailsCellText(const DetailsStore& store) {
  // One text, rewritten by every call: each view of it lasts until the next, as promised.
  auto text = std::make_shared<std::string>();
  return [&store, text](const TrackedNetwork& record,
                        Column column) -> std::optional<std::string_view> {
    if (column != Column::kEncryption) return std::nullopt;
    const BssInfo* info = store.Find(FieldText(record.mac));
    if (info == nullptr || !info->elementsKnown) return std::nullopt;
    std::array<char, 16> code;
    const auto end =
        std::to_chars(code.data(), code.data() + code.size(), record.encryptionCode).ptr;
    text->assign(code.data(), end);
    *text += ',';
    *text += ieee80211::SecurityLabel(info->details.security);
    return std::string_view(*text);
  };
}

}  // namespace quorvan
