// The wizard's texts from a module's resources.
#include "app/win32/resource_texts.h"

#include "resources/win32/resource_ids.h"
#include "storage/windows/wide_text.h"

CResourceTexts::CResourceTexts(HMODULE module) : m_module(module) {
  HRSRC found = FindResourceW(module, MAKEINTRESOURCEW(IDR_TEXTS), L"" RT_TEXTS_NAME);
  HGLOBAL loaded = found != nullptr ? LoadResource(module, found) : nullptr;
  const void* bytes = loaded != nullptr ? LockResource(loaded) : nullptr;
  if (bytes != nullptr) {
    m_texts = ParseTextLines(std::string(static_cast<const char*>(bytes), SizeofResource(module, found)));
  }
}

std::wstring CResourceTexts::String(int id) const {
  // With no buffer, LoadString answers where the text lies in the resource and its length.
  const wchar_t* text = nullptr;
  const int length = LoadStringW(m_module, static_cast<UINT>(id), reinterpret_cast<LPWSTR>(&text), 0);
  return length > 0 && text != nullptr ? std::wstring(text, static_cast<std::size_t>(length)) : std::wstring();
}

std::string CResourceTexts::Utf8String(int id) const { return Utf8(String(id)); }

std::string CResourceTexts::Utf8DialogText(int dialogId, const char* control) const {
  return Utf8Text(std::to_string(dialogId) + "." + control);
}

std::string CResourceTexts::Utf8Text(const std::string& key) const {
  const auto found = m_texts.find(key);
  return found != m_texts.end() ? found->second : std::string();
}

std::wstring Wide(const std::string& utf8) {
  std::wstring wide;
  ToWide(utf8, wide);
  return wide;
}

std::string Utf8(const std::wstring& wide) {
  std::string utf8;
  ToUtf8(wide, utf8);
  return utf8;
}
