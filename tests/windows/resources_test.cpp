// The resources linked into the program, read back the way Windows reads them.

#include <windows.h>
// windows.h first: commctrl.h relies on its types.
#include <commctrl.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "app/about_box.h"
#include "res/resource.h"
#include "ui/win32/wide_text.h"

namespace quorvan {
namespace {

// A dialog template (DLGTEMPLATEEX) taken apart field by field.
struct TemplateItem {
  DWORD style = 0;
  short x = 0, y = 0, cx = 0, cy = 0;
  DWORD id = 0;
  std::wstring className;  // or "#<ordinal>"
  std::wstring title;      // or "#<ordinal>"
};
struct DialogTemplate {
  DWORD exStyle = 0;
  DWORD style = 0;
  short x = 0, y = 0, cx = 0, cy = 0;
  std::wstring title;
  WORD pointSize = 0;
  std::wstring typeface;
  std::vector<TemplateItem> items;
};

class TemplateReader {
 public:
  TemplateReader(const BYTE* data, std::size_t size) : data_(data), size_(size) {}
  template <typename T>
  T Take() {
    T value{};
    if (at_ + sizeof(T) <= size_) std::memcpy(&value, data_ + at_, sizeof(T));
    at_ += sizeof(T);
    return value;
  }
  std::wstring TakeString() {
    std::wstring text;
    for (WORD c = Take<WORD>(); c != 0 && at_ <= size_; c = Take<WORD>()) text += wchar_t(c);
    return text;
  }
  std::wstring TakeStringOrOrdinal() {
    const WORD first = Take<WORD>();
    if (first == 0) return {};
    if (first == 0xFFFF) return L"#" + std::to_wstring(Take<WORD>());
    std::wstring text(1, wchar_t(first));
    return text + TakeString();
  }
  void AlignTo4() { at_ = (at_ + 3) & ~std::size_t{3}; }
  bool Overran() const { return at_ > size_; }

 private:
  const BYTE* data_;
  std::size_t size_;
  std::size_t at_ = 0;
};

DialogTemplate LoadDialogTemplate(int id) {
  DialogTemplate dialog;
  const HRSRC found = FindResourceW(nullptr, MAKEINTRESOURCEW(id), MAKEINTRESOURCEW(5));
  if (found == nullptr) {
    ADD_FAILURE() << "no dialog template " << id;
    return dialog;
  }
  TemplateReader reader(static_cast<const BYTE*>(LockResource(LoadResource(nullptr, found))),
                        SizeofResource(nullptr, found));
  const WORD version = reader.Take<WORD>();
  const WORD signature = reader.Take<WORD>();
  EXPECT_EQ(version, 1);
  EXPECT_EQ(signature, 0xFFFF) << "an extended template";
  reader.Take<DWORD>();  // help id
  dialog.exStyle = reader.Take<DWORD>();
  dialog.style = reader.Take<DWORD>();
  const WORD itemCount = reader.Take<WORD>();
  dialog.x = reader.Take<short>();
  dialog.y = reader.Take<short>();
  dialog.cx = reader.Take<short>();
  dialog.cy = reader.Take<short>();
  reader.TakeStringOrOrdinal();  // menu
  reader.TakeStringOrOrdinal();  // class
  dialog.title = reader.TakeString();
  if (dialog.style & DS_SETFONT) {
    dialog.pointSize = reader.Take<WORD>();
    reader.Take<WORD>();  // weight
    reader.Take<BYTE>();  // italic
    reader.Take<BYTE>();  // charset
    dialog.typeface = reader.TakeString();
  }
  for (WORD i = 0; i < itemCount && !reader.Overran(); ++i) {
    reader.AlignTo4();
    TemplateItem item;
    reader.Take<DWORD>();  // help id
    reader.Take<DWORD>();  // extended style
    item.style = reader.Take<DWORD>();
    item.x = reader.Take<short>();
    item.y = reader.Take<short>();
    item.cx = reader.Take<short>();
    item.cy = reader.Take<short>();
    item.id = reader.Take<DWORD>();
    item.className = reader.TakeStringOrOrdinal();
    item.title = reader.TakeStringOrOrdinal();
    const WORD extra = reader.Take<WORD>();
    for (WORD b = 0; b < extra; ++b) reader.Take<BYTE>();
    dialog.items.push_back(item);
  }
  EXPECT_FALSE(reader.Overran()) << "template " << id << " is shorter than its fields";
  return dialog;
}

// Resource compilers write the static class as ordinal 0x0082 or by name.
bool IsStaticClass(const std::wstring& className) {
  return className == L"#130" ||
         CompareStringOrdinal(className.c_str(), -1, L"Static", -1, TRUE) == CSTR_EQUAL;
}

TEST(Resources, MainWindowTemplate) {
  const DialogTemplate dialog = LoadDialogTemplate(IDD_QUORVAN_DIALOG);
  EXPECT_EQ(dialog.title, L"quorvan");
  EXPECT_EQ(dialog.cx, 547);
  EXPECT_EQ(dialog.cy, 289);
  EXPECT_EQ(dialog.pointSize, 8);
  EXPECT_EQ(dialog.typeface, L"MS Shell Dlg");
  const DWORD wanted = WS_POPUP | WS_VISIBLE | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME;
  EXPECT_EQ(dialog.style & wanted, wanted);
  EXPECT_EQ(dialog.style & (WS_MINIMIZEBOX | WS_MAXIMIZEBOX | WS_THICKFRAME), 0u);
  EXPECT_EQ(dialog.exStyle, DWORD{WS_EX_APPWINDOW});

  ASSERT_EQ(dialog.items.size(), 2u);
  const TemplateItem& list = dialog.items[0];
  EXPECT_EQ(list.id, DWORD{IDC_NETWORK_LIST});
  // Class names are compared without case, as Windows does (windres writes them upper-case).
  EXPECT_EQ(CompareStringOrdinal(list.className.c_str(), -1, L"SysListView32", -1, TRUE),
            CSTR_EQUAL)
      << std::string(list.className.begin(), list.className.end());
  EXPECT_EQ(list.x, 7);
  EXPECT_EQ(list.y, 7);
  EXPECT_EQ(list.cx, 533);
  EXPECT_EQ(list.cy, 275);
  const DWORD listWanted =
      WS_CHILD | WS_VISIBLE | WS_BORDER | WS_TABSTOP | LVS_REPORT | LVS_ALIGNLEFT;
  EXPECT_EQ(list.style & listWanted, listWanted);
  // Several rows can be selected, the selection shows only with the focus, the list does not
  // sort by itself, and its headers can be clicked.
  EXPECT_EQ(list.style & (LVS_SINGLESEL | LVS_SHOWSELALWAYS | LVS_SORTASCENDING |
                          LVS_SORTDESCENDING | LVS_NOSORTHEADER | LVS_NOCOLUMNHEADER),
            0u);

  const TemplateItem& status = dialog.items[1];
  EXPECT_EQ(status.id, DWORD{IDC_STATUS});
  EXPECT_TRUE(IsStaticClass(status.className));
  EXPECT_EQ(status.title, L"NO INTERFACE");
  EXPECT_EQ(status.x, 7);
  EXPECT_EQ(status.y, 7);
  EXPECT_EQ(status.cx, 116);
  EXPECT_EQ(status.cy, 8);
  EXPECT_EQ(status.style & WS_VISIBLE, 0u);
}

TEST(Resources, AboutBoxTemplate) {
  const DialogTemplate dialog = LoadDialogTemplate(IDD_ABOUTBOX);
  EXPECT_EQ(dialog.title, Widen(kAboutCaption));
  EXPECT_EQ(dialog.title, L"Quorvan");
  EXPECT_EQ(dialog.cx, 235);
  EXPECT_EQ(dialog.cy, 55);
  EXPECT_EQ(dialog.pointSize, 8);
  EXPECT_EQ(dialog.typeface, L"MS Shell Dlg");
  const DWORD wanted = WS_CAPTION | WS_SYSMENU | DS_MODALFRAME;
  EXPECT_EQ(dialog.style & wanted, wanted);

  ASSERT_EQ(dialog.items.size(), 3u);
  const TemplateItem& icon = dialog.items[0];
  EXPECT_TRUE(IsStaticClass(icon.className));
  EXPECT_EQ(icon.style & SS_TYPEMASK, DWORD{SS_ICON});
  EXPECT_EQ(icon.title, L"#" + std::to_wstring(IDR_MAINFRAME));
  EXPECT_EQ(icon.x, 11);
  EXPECT_EQ(icon.y, 17);
  EXPECT_EQ(icon.cx, 20);
  EXPECT_EQ(icon.cy, 20);

  const TemplateItem& text = dialog.items[1];
  EXPECT_EQ(text.title, Widen(kAboutText));
  EXPECT_EQ(text.title, L"quorvan Version 1.0");
  EXPECT_NE(text.style & SS_NOPREFIX, 0u);
  EXPECT_EQ(text.x, 40);
  EXPECT_EQ(text.y, 10);
  EXPECT_EQ(text.cx, 119);
  EXPECT_EQ(text.cy, 8);

  const TemplateItem& ok = dialog.items[2];
  EXPECT_EQ(ok.className, L"#128");  // the button class
  EXPECT_EQ(ok.title, Widen(kAboutButton));
  EXPECT_EQ(ok.id, DWORD{IDOK});
  EXPECT_EQ(ok.style & 0x0F, DWORD{BS_DEFPUSHBUTTON});
  EXPECT_EQ(ok.x, 178);
  EXPECT_EQ(ok.y, 7);
  EXPECT_EQ(ok.cx, 50);
  EXPECT_EQ(ok.cy, 16);
}

TEST(Resources, AboutMenuStringKeepsItsUmlaut) {
  wchar_t text[64] = {};
  const int length = LoadStringW(GetModuleHandleW(nullptr), IDS_ABOUTBOX, text, 64);
  EXPECT_EQ(std::wstring(text, length), L"&Info \u00fcber quorvan...");
  EXPECT_EQ(std::wstring(text, length), Widen(kAboutMenuText));
}

#pragma pack(push, 2)
struct IconGroupEntry {
  BYTE width;
  BYTE height;
  BYTE colourCount;
  BYTE reserved;
  WORD planes;
  WORD bitCount;
  DWORD bytes;
  WORD id;
};
#pragma pack(pop)

TEST(Resources, IconGroupHoldsFourSizes) {
  const HRSRC found = FindResourceW(nullptr, MAKEINTRESOURCEW(IDR_MAINFRAME), MAKEINTRESOURCEW(14));
  ASSERT_NE(found, nullptr);
  const auto* data = static_cast<const BYTE*>(LockResource(LoadResource(nullptr, found)));
  const DWORD size = SizeofResource(nullptr, found);
  WORD count = 0;
  ASSERT_GE(size, 6u);
  std::memcpy(&count, data + 4, sizeof count);
  ASSERT_EQ(count, 4);
  ASSERT_GE(size, 6u + count * sizeof(IconGroupEntry));
  struct Expected {
    int pixels;
    int bits;
  };
  const Expected expected[] = {{16, 4}, {32, 4}, {48, 8}, {96, 8}};
  for (int i = 0; i < count; ++i) {
    IconGroupEntry entry;
    std::memcpy(&entry, data + 6 + i * sizeof entry, sizeof entry);
    SCOPED_TRACE(i);
    EXPECT_EQ(entry.width, expected[i].pixels);
    EXPECT_EQ(entry.height, expected[i].pixels);
    EXPECT_EQ(entry.bitCount, expected[i].bits);
    // Every image of the group is there and Windows can make an icon of it.
    const HRSRC image = FindResourceW(nullptr, MAKEINTRESOURCEW(entry.id), MAKEINTRESOURCEW(3));
    ASSERT_NE(image, nullptr);
    const HICON icon =
        CreateIconFromResourceEx(static_cast<BYTE*>(LockResource(LoadResource(nullptr, image))),
                                 SizeofResource(nullptr, image), TRUE, 0x00030000,
                                 expected[i].pixels, expected[i].pixels, LR_DEFAULTCOLOR);
    EXPECT_NE(icon, nullptr);
    if (icon != nullptr) DestroyIcon(icon);
  }
}

TEST(Resources, ManifestAndVersion) {
  const HRSRC found = FindResourceW(nullptr, MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(24));
  ASSERT_NE(found, nullptr);
  const std::string manifest(static_cast<const char*>(LockResource(LoadResource(nullptr, found))),
                             SizeofResource(nullptr, found));
  EXPECT_NE(manifest.find(R"(level="asInvoker")"), std::string::npos);
  EXPECT_NE(manifest.find(R"(uiAccess="false")"), std::string::npos);
  EXPECT_NE(manifest.find(">true</dpiAware>"), std::string::npos);
  EXPECT_EQ(manifest.find("Common-Controls"), std::string::npos);

  wchar_t path[MAX_PATH] = {};
  ASSERT_GT(GetModuleFileNameW(nullptr, path, MAX_PATH), 0u);
  DWORD ignored = 0;
  const DWORD size = GetFileVersionInfoSizeW(path, &ignored);
  ASSERT_GT(size, 0u);
  std::vector<BYTE> block(size);
  ASSERT_TRUE(GetFileVersionInfoW(path, 0, size, block.data()));
  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT fixedSize = 0;
  ASSERT_TRUE(VerQueryValueW(block.data(), L"\\", reinterpret_cast<void**>(&fixed), &fixedSize));
  EXPECT_EQ(fixed->dwFileVersionMS, 0x00010000u);
  EXPECT_EQ(fixed->dwFileVersionLS, 0x00000001u);
  EXPECT_EQ(fixed->dwProductVersionMS, 0x00010000u);
  EXPECT_EQ(fixed->dwProductVersionLS, 0x00000001u);
  wchar_t* text = nullptr;
  UINT length = 0;
  ASSERT_TRUE(VerQueryValueW(block.data(), L"\\StringFileInfo\\000004b0\\FileVersion",
                             reinterpret_cast<void**>(&text), &length));
  EXPECT_EQ(std::wstring(text), L"1.0.0.1");
}

}  // namespace
}  // namespace quorvan
