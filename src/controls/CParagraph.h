#pragma once
// A block of text drawn word-wrapped inside a rectangle of its owner window,
// ending with "..." when it does not fit. The owner selects the font into the
// context before drawing. The layout is computed from a text-measuring function
// alone, so it is testable without a window.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/ui/CFont.h"
#include "platform/ui/CSize.h"

class CArchive;
class CDC;

class CParagraph {
 public:
  enum Alignment { kLeft = 0, kCentered = 1, kRight = 2 };
  struct Line {
    int x = 0;
    int y = 0;
    std::string text;
  };
  using Measure = std::function<CSize(const std::string& text)>;

  // Stores the text and splits it into words (each with its trailing blank).
  void SetText(const std::string& text);
  const std::string& GetText() const { return m_text; }
  const std::vector<std::string>& Words() const { return m_words; }
  // Face, height and bold flag (weight 700 when bold is 1, else 400); true when
  // the font could be made.
  bool SetFont(const std::string& faceName, int height, int bold);
  CFont* GetFont() { return &m_font; }
  void SetPosition(int left, int top) { m_left = left, m_top = top; }
  void SetWidth(std::uint16_t width) { m_width = width; }
  void SetHeight(std::uint16_t height) { m_height = height; }
  int GetAlignment() const { return m_alignment; }

  // The lines to draw, in the owner's client coordinates.
  std::vector<Line> Layout(const Measure& measure) const;
  // Draws the lines with the context's selected font.
  void Draw(CDC* dc) const;
  // Writes or reads left, top (one 8-byte block), width, height, text, face
  // name, font height and weight; loading splits the text and makes the font again.
  void Serialize(CArchive& archive);

 private:
  int LineX(int extent) const;
  int m_alignment = kLeft;
  std::vector<std::string> m_words;
  std::string m_text;
  CFont m_font;
  bool m_fontCreated = false;
  std::string m_faceName;
  int m_fontHeight = 0;
  int m_fontWeight = 0;
  int m_left = 0;
  int m_top = 0;
  std::uint16_t m_width = 0;
  std::uint16_t m_height = 0;
};
