// Reads the update dialog the way a person would see it, for the GUI tests:
//   template <exe>        the dialog template 102 as stored in the program
//   live <title>          the running dialog (whose title starts with <title>): its controls in creation order, with
//                         ids, classes, texts, state and positions in dialog units
//   boxes <title>         message boxes with that caption: their text, buttons, default button and icon
//   focus <title>         the id of the dialog control that has the keyboard focus (0: none of them)
//   fits <title>          checks that every control lies inside the client area and that its text fits it
//   center <title> <id>   screen position of a control's centre (for a mouse click)
//   boxbutton <title> <id>  screen position of the centre of a message box's button
//   frame <title>         the dialog window's rectangle as WxH+X+Y (for cropping)
//   combos <title>        the combo boxes of a dialog with that caption (the open-file dialog's file type)
//   hold <path> <ms>      keeps the file open without sharing it for that long, as another program may
//   hid                   vendor:product of every HID interface the system lists
//   serve                 answers one request a line from standard input, until its end: the request's
//                         name, then a command above with its arguments, separated by tabs (UTF-8); the
//                         answer is "@@begin <name>", the command's output, "@@end <name> <exit code>".
//                         One process for a whole run: each Wine program's start costs about a second.
// Output is UTF-8, one item a line, so the shell can compare it with a file.
#include <windows.h>
#include <setupapi.h>
extern "C" {
#include <hidsdi.h>
}

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

std::string Utf8(const std::wstring& wide) {
  if (wide.empty()) return {};
  const int n = WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<std::size_t>(n), '\0');
  WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), out.data(), n, nullptr, nullptr);
  return out;
}

// Line breaks and quotes written visibly, so each item stays on one line.
std::string Quoted(const std::wstring& text) {
  std::string out = "\"";
  for (char c : Utf8(text)) {
    if (c == '\r') {
      out += "\\r";
    } else if (c == '\n') {
      out += "\\n";
    } else if (c == '"') {
      out += "\\\"";
    } else {
      out += c;
    }
  }
  return out + "\"";
}

std::wstring WindowText(HWND window) {
  wchar_t buffer[1024] = {};
  // WM_GETTEXT is carried across processes; GetWindowTextW would not ask the window.
  SendMessageTimeoutW(window, WM_GETTEXT, 1024, reinterpret_cast<LPARAM>(buffer), SMTO_ABORTIFHUNG, 2000, nullptr);
  return buffer;
}

std::wstring ClassOf(HWND window) {
  wchar_t buffer[256] = {};
  GetClassNameW(window, buffer, 256);
  return buffer;
}

// ---- the stored template ----------------------------------------------------------

struct Reader {
  const BYTE* p;
  WORD Word() {
    WORD w;
    std::memcpy(&w, p, 2);
    p += 2;
    return w;
  }
  DWORD Dword() {
    DWORD d;
    std::memcpy(&d, p, 4);
    p += 4;
    return d;
  }
  void Align4(const BYTE* base) {
    while ((p - base) % 4 != 0) ++p;
  }
  // sz_Or_Ord: 0 = none, 0xFFFF + ordinal, or a NUL-terminated string.
  std::string SzOrOrd() {
    const WORD first = Word();
    if (first == 0) return "none";
    if (first == 0xFFFF) return "#" + std::to_string(Word());
    std::wstring s(1, static_cast<wchar_t>(first));
    for (WORD c = Word(); c != 0; c = Word()) s += static_cast<wchar_t>(c);
    return Quoted(s);
  }
};

std::string PredefinedClass(const std::string& cls) {
  if (cls == "#128") return "\"Button\"";
  if (cls == "#129") return "\"Edit\"";
  if (cls == "#130") return "\"Static\"";
  return cls;
}

int DumpTemplate(const wchar_t* exe) {
  const HMODULE module = LoadLibraryExW(exe, nullptr, LOAD_LIBRARY_AS_DATAFILE);
  if (module == nullptr) return std::printf("error cannot load program\n"), 2;
  const HRSRC resource = FindResourceW(module, MAKEINTRESOURCEW(102), RT_DIALOG);
  if (resource == nullptr) return std::printf("error no dialog 102\n"), 2;
  const BYTE* base = static_cast<const BYTE*>(LockResource(LoadResource(module, resource)));
  Reader r{base};
  const WORD version = r.Word();
  const WORD signature = r.Word();
  if (version != 1 || signature != 0xFFFF) return std::printf("error not an extended template\n"), 2;
  r.Dword();  // help id
  const DWORD exStyle = r.Dword();
  const DWORD style = r.Dword();
  const WORD count = r.Word();
  const short x = static_cast<short>(r.Word()), y = static_cast<short>(r.Word());
  const short cx = static_cast<short>(r.Word()), cy = static_cast<short>(r.Word());
  const std::string menu = r.SzOrOrd();
  const std::string cls = r.SzOrOrd();
  const std::string caption = r.SzOrOrd();
  std::printf("dialog style=0x%08lX exstyle=0x%08lX x=%d y=%d cx=%d cy=%d menu=%s class=%s caption=%s\n",
              static_cast<unsigned long>(style), static_cast<unsigned long>(exStyle), x, y, cx, cy, menu.c_str(),
              cls.c_str(), caption.c_str());
  if (style & DS_SETFONT) {
    const WORD points = r.Word();
    const WORD weight = r.Word();
    const BYTE italic = *r.p++;
    const BYTE charset = *r.p++;
    const std::string face = r.SzOrOrd();
    std::printf("font points=%u weight=%u italic=%u charset=%u face=%s\n", points, weight, italic, charset,
                face.c_str());
  }
  for (WORD i = 0; i < count; ++i) {
    r.Align4(base);
    r.Dword();  // help id
    const DWORD cExStyle = r.Dword();
    const DWORD cStyle = r.Dword();
    const short ix = static_cast<short>(r.Word()), iy = static_cast<short>(r.Word());
    const short icx = static_cast<short>(r.Word()), icy = static_cast<short>(r.Word());
    const auto id = static_cast<LONG>(r.Dword());
    const std::string ccls = PredefinedClass(r.SzOrOrd());
    std::string title = r.SzOrOrd();
    if (title == "none") title = "\"\"";
    const WORD extra = r.Word();
    r.p += extra;
    std::printf("control id=%ld class=%s text=%s style=0x%08lX exstyle=0x%08lX x=%d y=%d cx=%d cy=%d\n",
                static_cast<long>(id), ccls.c_str(), title.c_str(), static_cast<unsigned long>(cStyle),
                static_cast<unsigned long>(cExStyle), ix, iy, icx, icy);
  }
  return 0;
}

// ---- the running windows -----------------------------------------------------------

struct Search {
  std::wstring title;
  bool wantDialog;  // the update dialog (has control 1007) or a message box
  std::vector<HWND> found;
};

BOOL CALLBACK CollectTopLevel(HWND window, LPARAM context) {
  auto* search = reinterpret_cast<Search*>(context);
  if (!IsWindowVisible(window) || ClassOf(window) != L"#32770") return TRUE;
  const bool isDialog = GetDlgItem(window, 1007) != nullptr;
  // The dialog's title may carry the controller's version after the product title.
  const std::wstring text = WindowText(window);
  if (isDialog ? text.rfind(search->title, 0) != 0 : text != search->title) return TRUE;
  if (isDialog == search->wantDialog) search->found.push_back(window);
  return TRUE;
}

std::vector<HWND> Find(const wchar_t* title, bool wantDialog) {
  Search search{title, wantDialog, {}};
  EnumWindows(&CollectTopLevel, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

// The integer dialog base units that map the template's 235 x 138 to this client
// area, as the dialog manager computed them (MulDiv by 4 and by 8).
bool BaseUnits(HWND dialog, int* baseX, int* baseY) {
  RECT client;
  GetClientRect(dialog, &client);
  *baseX = *baseY = 0;
  for (int b = 1; b < 64; ++b) {
    if (MulDiv(235, b, 4) == client.right) *baseX = b;
    if (MulDiv(138, b, 8) == client.bottom) *baseY = b;
  }
  return *baseX != 0 && *baseY != 0;
}

// The dialog unit whose pixel position is `pixels`, or -9999 if none maps there.
int ToUnits(int pixels, int base, int divisor) {
  for (int u = -10; u < 1000; ++u) {
    if (MulDiv(u, base, divisor) == pixels) return u;
  }
  return -9999;
}

BOOL CALLBACK CollectChild(HWND window, LPARAM context) {
  reinterpret_cast<std::vector<HWND>*>(context)->push_back(window);
  return TRUE;
}

int DumpLive(const wchar_t* title) {
  const std::vector<HWND> dialogs = Find(title, true);
  if (dialogs.size() != 1) return std::printf("error %zu dialogs\n", dialogs.size()), 1;
  const HWND dialog = dialogs[0];
  int baseX = 0, baseY = 0;
  if (!BaseUnits(dialog, &baseX, &baseY)) return std::printf("error client area is not 235 x 138 units\n"), 1;
  std::printf("title=%s\n", Quoted(WindowText(dialog)).c_str());
  std::vector<HWND> children;
  EnumChildWindows(dialog, &CollectChild, reinterpret_cast<LPARAM>(&children));
  for (HWND child : children) {
    if (GetParent(child) != dialog) continue;
    RECT r;
    GetWindowRect(child, &r);
    MapWindowPoints(HWND_DESKTOP, dialog, reinterpret_cast<POINT*>(&r), 2);
    // The dialog manager maps the position and the size each on its own.
    const int x = ToUnits(r.left, baseX, 4), y = ToUnits(r.top, baseY, 8);
    const int cx = ToUnits(r.right - r.left, baseX, 4), cy = ToUnits(r.bottom - r.top, baseY, 8);
    const auto id = static_cast<short>(GetDlgCtrlID(child));
    std::printf("control id=%d class=%s text=%s visible=%d enabled=%d x=%d y=%d cx=%d cy=%d", id,
                Quoted(ClassOf(child)).c_str(), Quoted(WindowText(child)).c_str(), IsWindowVisible(child) ? 1 : 0,
                IsWindowEnabled(child) ? 1 : 0, x, y, cx, cy);
    if (ClassOf(child) == L"msctls_progress32") {
      const LRESULT position = SendMessageW(child, 0x0408 /* PBM_GETPOS */, 0, 0);
      const LRESULT low = SendMessageW(child, 0x0407 /* PBM_GETRANGE */, TRUE, 0);
      const LRESULT high = SendMessageW(child, 0x0407, FALSE, 0);
      std::printf(" range=%ld..%ld pos=%ld", static_cast<long>(low), static_cast<long>(high),
                  static_cast<long>(position));
    }
    std::printf("\n");
  }
  return 0;
}

int DumpBoxes(const wchar_t* title) {
  for (HWND box : Find(title, false)) {
    std::vector<HWND> children;
    EnumChildWindows(box, &CollectChild, reinterpret_cast<LPARAM>(&children));
    std::string text = "\"\"";
    std::string buttons;
    int defaultButton = 0;
    bool icon = false;
    for (HWND child : children) {
      const int id = GetDlgCtrlID(child);
      const LONG style = GetWindowLongW(child, GWL_STYLE);
      if (id == 0xFFFF && ClassOf(child) == L"Static") text = Quoted(WindowText(child));
      // The box always has its icon control; it shows an icon only when one was set.
      if (ClassOf(child) == L"Static" && (style & SS_TYPEMASK) == SS_ICON &&
          SendMessageW(child, STM_GETICON, 0, 0) != 0) {
        icon = true;
      }
      if (ClassOf(child) == L"Button" && IsWindowVisible(child)) {
        buttons += (buttons.empty() ? "" : ",") + std::to_string(id);
        if ((style & BS_TYPEMASK) == BS_DEFPUSHBUTTON) defaultButton = id;
      }
    }
    std::printf("box text=%s buttons=%s default=%d icon=%d\n", text.c_str(), buttons.c_str(), defaultButton,
                icon ? 1 : 0);
  }
  return 0;
}

int PrintCenter(const wchar_t* title, int id) {
  const std::vector<HWND> dialogs = Find(title, true);
  if (dialogs.size() != 1) return 1;
  const HWND control = GetDlgItem(dialogs[0], id);
  if (control == nullptr) return 1;
  RECT r;
  GetWindowRect(control, &r);
  std::printf("%ld %ld\n", static_cast<long>((r.left + r.right) / 2), static_cast<long>((r.top + r.bottom) / 2));
  return 0;
}

int PrintBoxButton(const wchar_t* title, int id) {
  for (HWND box : Find(title, false)) {
    const HWND button = GetDlgItem(box, id);
    if (button == nullptr || !IsWindowVisible(button)) continue;
    RECT r;
    GetWindowRect(button, &r);
    std::printf("%ld %ld\n", static_cast<long>((r.left + r.right) / 2), static_cast<long>((r.top + r.bottom) / 2));
    return 0;
  }
  return 1;
}

int PrintFrame(const wchar_t* title) {
  const std::vector<HWND> dialogs = Find(title, true);
  if (dialogs.size() != 1) return 1;
  RECT r;
  GetWindowRect(dialogs[0], &r);
  std::printf("%ldx%ld+%ld+%ld\n", static_cast<long>(r.right - r.left), static_cast<long>(r.bottom - r.top),
              static_cast<long>(r.left), static_cast<long>(r.top));
  return 0;
}

int PrintFocus(const wchar_t* title) {
  const std::vector<HWND> dialogs = Find(title, true);
  if (dialogs.size() != 1) return 1;
  GUITHREADINFO info{};
  info.cbSize = sizeof(info);
  if (!GetGUIThreadInfo(GetWindowThreadProcessId(dialogs[0], nullptr), &info)) return 1;
  const bool ours = info.hwndFocus != nullptr && GetParent(info.hwndFocus) == dialogs[0];
  std::printf("%d\n", ours ? static_cast<int>(static_cast<short>(GetDlgCtrlID(info.hwndFocus))) : 0);
  return 0;
}

// The dialog's font as the dialog manager made it from the template: 9 points of the
// template's face at this display's resolution.
HFONT TemplateFont(HDC dc) {
  return CreateFontW(-MulDiv(9, GetDeviceCaps(dc, LOGPIXELSY), 72), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE,
                     DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH,
                     L"\x5B8B\x4F53");
}

// Every control inside the client area, and the text of each (in the template's font,
// wrapped as the control wraps it) inside the control. One line per problem; the last
// line says how many there were.
int CheckFits(const wchar_t* title) {
  const std::vector<HWND> dialogs = Find(title, true);
  if (dialogs.size() != 1) return std::printf("error %zu dialogs\n", dialogs.size()), 1;
  const HWND dialog = dialogs[0];
  RECT client;
  GetClientRect(dialog, &client);
  const HDC dc = GetDC(nullptr);
  std::printf("client %ldx%ld dpi %d\n", static_cast<long>(client.right), static_cast<long>(client.bottom),
              GetDeviceCaps(dc, LOGPIXELSY));
  std::vector<HWND> children;
  EnumChildWindows(dialog, &CollectChild, reinterpret_cast<LPARAM>(&children));
  const HFONT font = TemplateFont(dc);
  const HGDIOBJ old = SelectObject(dc, font);
  int problems = 0;
  for (HWND child : children) {
    if (GetParent(child) != dialog) continue;
    const int id = static_cast<short>(GetDlgCtrlID(child));
    RECT r;
    GetWindowRect(child, &r);
    MapWindowPoints(HWND_DESKTOP, dialog, reinterpret_cast<POINT*>(&r), 2);
    if (r.left < 0 || r.top < 0 || r.right > client.right || r.bottom > client.bottom) {
      std::printf("outside id=%d %ld,%ld-%ld,%ld\n", id, static_cast<long>(r.left), static_cast<long>(r.top),
                  static_cast<long>(r.right), static_cast<long>(r.bottom));
      ++problems;
    }
    const std::wstring text = WindowText(child);
    if (text.empty()) continue;
    const int width = r.right - r.left, height = r.bottom - r.top;
    const bool button = ClassOf(child) == L"Button";
    // A push button draws its text on one line inside its border and focus frame.
    const int room = button ? width - 8 : width;
    RECT need{0, 0, room, 0};
    DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &need,
              DT_CALCRECT | DT_NOPREFIX | (button ? DT_SINGLELINE : DT_WORDBREAK | DT_EDITCONTROL));
    const int roomHeight = button ? height - 4 : height;
    if (need.right > room || need.bottom > roomHeight) {
      std::printf("clipped id=%d needs %ldx%ld has %dx%d\n", id, static_cast<long>(need.right),
                  static_cast<long>(need.bottom), room, roomHeight);
      ++problems;
    }
  }
  SelectObject(dc, old);
  DeleteObject(font);
  ReleaseDC(nullptr, dc);
  std::printf("problems %d\n", problems);
  return problems == 0 ? 0 : 1;
}

int DumpCombos(const wchar_t* title) {
  for (HWND box : Find(title, false)) {
    std::vector<HWND> children;
    EnumChildWindows(box, &CollectChild, reinterpret_cast<LPARAM>(&children));
    for (HWND child : children) {
      if (ClassOf(child) != L"ComboBox" || !IsWindowVisible(child)) continue;
      std::printf("combo id=%d text=%s\n", GetDlgCtrlID(child), Quoted(WindowText(child)).c_str());
    }
  }
  return 0;
}

int HoldFile(const wchar_t* path, int milliseconds) {
  const HANDLE file = CreateFileW(path, GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return std::printf("error cannot open\n"), 1;
  std::printf("held\n");
  std::fflush(stdout);
  Sleep(static_cast<DWORD>(milliseconds));
  CloseHandle(file);
  return 0;
}

int ListHid() {
  GUID guid;
  HidD_GetHidGuid(&guid);
  const HDEVINFO set = SetupDiGetClassDevsW(&guid, nullptr, nullptr, DIGCF_PRESENT | DIGCF_DEVICEINTERFACE);
  if (set == INVALID_HANDLE_VALUE) return 1;
  SP_DEVICE_INTERFACE_DATA data{};
  data.cbSize = sizeof(data);
  for (DWORD i = 0; SetupDiEnumDeviceInterfaces(set, nullptr, &guid, i, &data); ++i) {
    DWORD size = 0;
    SetupDiGetDeviceInterfaceDetailW(set, &data, nullptr, 0, &size, nullptr);
    std::vector<BYTE> buffer(size);
    auto* detail = reinterpret_cast<SP_DEVICE_INTERFACE_DETAIL_DATA_W*>(buffer.data());
    detail->cbSize = sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_W);
    if (!SetupDiGetDeviceInterfaceDetailW(set, &data, detail, size, nullptr, nullptr)) continue;
    const HANDLE device = CreateFileW(detail->DevicePath, 0, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                      OPEN_EXISTING, 0, nullptr);
    if (device == INVALID_HANDLE_VALUE) continue;
    HIDD_ATTRIBUTES attributes{};
    attributes.Size = sizeof(attributes);
    if (HidD_GetAttributes(device, &attributes)) {
      std::printf("hid %04X:%04X\n", attributes.VendorID, attributes.ProductID);
    }
    CloseHandle(device);
  }
  SetupDiDestroyDeviceInfoList(set);
  return 0;
}

int Dispatch(const std::vector<std::wstring>& a) {
  const std::wstring command = a.empty() ? L"" : a[0];
  const std::size_t n = a.size();
  if (command == L"template" && n == 2) return DumpTemplate(a[1].c_str());
  if (command == L"live" && n == 2) return DumpLive(a[1].c_str());
  if (command == L"boxes" && n == 2) return DumpBoxes(a[1].c_str());
  if (command == L"frame" && n == 2) return PrintFrame(a[1].c_str());
  if (command == L"hid" && n == 1) return ListHid();
  if (command == L"combos" && n == 2) return DumpCombos(a[1].c_str());
  if (command == L"hold" && n == 3) return HoldFile(a[1].c_str(), _wtoi(a[2].c_str()));
  if (command == L"focus" && n == 2) return PrintFocus(a[1].c_str());
  if (command == L"fits" && n == 2) return CheckFits(a[1].c_str());
  if (command == L"center" && n == 3) return PrintCenter(a[1].c_str(), _wtoi(a[2].c_str()));
  if (command == L"boxbutton" && n == 3) return PrintBoxButton(a[1].c_str(), _wtoi(a[2].c_str()));
  std::fprintf(stderr, "usage: DialogInspector template <exe> | live <title> | boxes <title> | center <title> <id> | boxbutton <title> <id> | frame <title> | focus <title> | fits <title> | combos <title> | hold <path> <ms> | hid | serve\n");
  return 2;
}

std::wstring Wide(const std::string& utf8) {
  if (utf8.empty()) return {};
  const int n = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
  std::wstring out(static_cast<std::size_t>(n), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), out.data(), n);
  return out;
}

int Serve() {
  std::string line;
  for (int c = std::fgetc(stdin); c != EOF; c = std::fgetc(stdin)) {
    if (c != '\n') {
      if (c != '\r') line += static_cast<char>(c);
      continue;
    }
    std::vector<std::wstring> fields;
    std::size_t start = 0;
    for (std::size_t tab = line.find('\t'); tab != std::string::npos; tab = line.find('\t', start)) {
      fields.push_back(Wide(line.substr(start, tab - start)));
      start = tab + 1;
    }
    fields.push_back(Wide(line.substr(start)));
    line.clear();
    const std::string name = Utf8(fields.front());
    fields.erase(fields.begin());
    std::printf("@@begin %s\n", name.c_str());
    const int status = Dispatch(fields);
    std::printf("@@end %s %d\n", name.c_str(), status);
    std::fflush(stdout);
  }
  return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  // Window positions and sizes as they are on the screen, whatever the resolution.
  SetProcessDPIAware();
  if (argc == 2 && std::wstring(argv[1]) == L"serve") return Serve();
  return Dispatch(std::vector<std::wstring>(argv + 1, argv + argc));
}
