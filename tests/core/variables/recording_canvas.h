#pragma once
// Test doubles for the variables tests: a canvas that records what is drawn on it and a
// prompt that records what the user would have been told.
#include <string>
#include <vector>

#include "platform/prompt.h"
#include "variables/canvas.h"

namespace quillon::testing {

struct DrawnLine {
  int X1, Y1, X2, Y2;
  Colour Pen;
  int PenWidth;
  Rect Clip;
  bool Clipped;
};
struct DrawnText {
  Rect Area;
  std::string Text;
  TextAlign Align;
  Colour Background;
};
struct FilledRect {
  Rect Area;
  Colour Brush;
};
struct DrawnPicture {
  int X, Y;
  Picture Which;
};

class RecordingCanvas : public Canvas {
 public:
  RecordingCanvas(int width, int height) : width_(width), height_(height) {}
  int Width() const override { return width_; }
  int Height() const override { return height_; }
  void SetPen(Colour colour, int width) override { pen_ = colour, penWidth_ = width; }
  void SetBrush(Colour colour) override { brush_ = colour; }
  void SetTextColours(Colour, Colour background) override { textBackground_ = background; }
  void FillRect(const Rect& rect) override { Fills.push_back({rect, brush_}); }
  void Line(int x1, int y1, int x2, int y2) override {
    Lines.push_back({x1, y1, x2, y2, pen_, penWidth_, clip_, clipped_});
  }
  void Text(const Rect& rect, std::string_view text, TextAlign align) override {
    Texts.push_back({rect, std::string(text), align, textBackground_});
  }
  void DrawPicture(int x, int y, Picture picture) override { Pictures.push_back({x, y, picture}); }
  void SetClip(const Rect& rect) override { clip_ = rect, clipped_ = true; }
  void ClearClip() override { clipped_ = false; }

  std::vector<DrawnLine> LinesIn(Colour pen) const {
    std::vector<DrawnLine> found;
    for (const auto& line : Lines) {
      if (line.Pen == pen) found.push_back(line);
    }
    return found;
  }
  const DrawnText* TextAt(int left, int top) const {
    for (const auto& text : Texts) {
      if (text.Area.Left == left && text.Area.Top == top) return &text;
    }
    return nullptr;
  }

  std::vector<DrawnLine> Lines;
  std::vector<DrawnText> Texts;
  std::vector<FilledRect> Fills;
  std::vector<DrawnPicture> Pictures;

 private:
  int width_, height_;
  Colour pen_ = kBlack;
  int penWidth_ = 1;
  Colour brush_ = kWhite, textBackground_ = kWhite;
  Rect clip_;
  bool clipped_ = false;
};

class RecordingPrompt : public Prompt {
 public:
  struct Message {
    std::string Caption, Text;
  };
  void Warning(const std::string& caption, const std::string& text) override { Warnings.push_back({caption, text}); }
  bool Question(const std::string&, const std::string&) override { return false; }
  std::vector<Message> Warnings;
};

}  // namespace quillon::testing
