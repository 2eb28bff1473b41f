// A three-level settings store: "#Group" lines, "[Section]" lines inside a group and
// "Key = Value" lines inside a section, "/*" starting a comment to the end of the line. The store
// keeps the lines as text and a parsed tree beside them, and is saved bare or inside a small
// binary wrapper that starts with a 47-character signature.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "core/QzFileClasses.h"
#include "platform/Components.h"

class TQzCustomExtIniControler : public TQzFileClass {
public:
  static constexpr char Signature[48] = "3C9D1-B7E20-5A4F8-0D6C3-E91B7-42F0A-8B5D2-C6037";
  static constexpr int SignatureBytes = 47;
  // Signature, the bytes 1 and 5, the 32-bit text length.
  static constexpr int WrapperBytes = SignatureBytes + 2 + 4;

  TQzCustomExtIniControler();
  ~TQzCustomExtIniControler() override;
  std::string ClassName() const override { return "TQzCustomExtIniControler"; }

  // Empties the lines and the tree. A running update bracket stays open: the caller that opened
  // it still closes it.
  void Clear() override;
  void BeginUpdate() override;
  // Closing the last bracket parses the lines when they were edited inside it.
  void EndUpdate() override;
  // Always the wrapped form. Errors: (1000, 550), (1001, 551) a write fell short.
  bool SaveToStream(TStream* Stream) override;
  // The wrapped form, or else the whole rest of the stream as plain text. Errors: (1000, 590),
  // (1002, 591) the wrapper's length is negative, beyond the stream, or its head is cut short.
  bool LoadFromStream(TStream* Stream) override;

  virtual void AssignLines(const TStringList* Source);
  virtual void SetText(const std::string& Text);
  // The lines of Source; nil does nothing.
  virtual void Assign(const TQzCustomExtIniControler* Source);

  // Item Index of the key's values ("" and False when any level or the item is missing).
  bool FindExtIniValue(const std::string& Group, const std::string& Section, const std::string& Key,
                       int Index, std::string& Value) const;
  // A non-empty value with every "#13" turned into a carriage return; else Default and False.
  bool ReadExtIniText(const std::string& Group, const std::string& Section, const std::string& Key,
                      const std::string& Default, std::string& Value) const;
  // A value that is wholly a decimal 32-bit integer (optional sign, digits only); else Default
  // and False.
  bool ReadExtIniInteger(const std::string& Group, const std::string& Section, const std::string& Key,
                         int32_t Default, int32_t& Value) const;

  // Edits made here are parsed at once, or when the last update bracket closes.
  TStringList* GetLines() const { return FLines.get(); }
  bool IsParsed() const { return FParsed; }
  const std::string& GetLineBreakText() const { return FLineBreakText; }
  int GetGroupCount() const { return static_cast<int>(FRoot.Items.size()); }

private:
  // One level of the tree: the names in the order they first appeared, and a sorted index on
  // their case-folded form, so that a file with many names parses in n log n.
  template <class TChild>
  struct TLevel {
    std::vector<std::pair<std::string, TChild>> Items;
    std::map<std::string, size_t> Index;
    // The child of a new name, or nil when the name is taken (the first occurrence wins).
    TChild* AddNew(const std::string& Name);
    const TChild* Find(const std::string& Name) const;
  };
  using TValues = std::vector<std::string>;
  using TSection = TLevel<TValues>;
  using TGroup = TLevel<TSection>;

  void LinesChanged(TObject* Sender);
  void ParseExtIni();
  void ClearTree(bool WithLines);
  // Replaces the lines without reacting to the change they report.
  void ReplaceLines(const std::function<void()>& Edit);

  std::unique_ptr<TStringList> FLines;
  TLevel<TGroup> FRoot;
  std::string FLineBreakText = "#13#10";
  bool FParsed = false;
  // The lines were edited while an update bracket was open.
  bool FPendingParse = false;
  bool FOwnEdit = false;
};

class TQzExtIniControler : public TQzCustomExtIniControler {
public:
  std::string ClassName() const override { return "TQzExtIniControler"; }
};

class TQzExtIniValuesControler : public TQzExtIniControler {
public:
  std::string ClassName() const override { return "TQzExtIniValuesControler"; }
};
