// The arrow and the check mark as pictures: one string per row, '#' for a black pixel and
// '.' for the background. Shared by the tests of the pixel rules and of the Qt widget.
#ifndef VANTOR_TESTS_WIZARD_MARK_PICTURES_H_
#define VANTOR_TESTS_WIZARD_MARK_PICTURES_H_

#include <string>
#include <vector>

namespace vantor::wizard::test {

using Picture = std::vector<std::string>;

inline Picture Empty(int width, int height) { return Picture(height, std::string(width, '.')); }

// 15 wide and 16 high: the arrow is 5 wide and 9 high with its left edge at x = 5 and its
// top row at y = 3.
inline const Picture kArrow15x16 = {
    "...............", "...............", "...............", ".....#.........",
    ".....##........", ".....###.......", ".....####......", ".....#####.....",
    ".....####......", ".....###.......", ".....##........", ".....#.........",
    "...............", "...............", "...............", "...............",
};

// The check's strokes are 3 pixels thick, the long one 7 long, starting at (1, 4).
inline const Picture kCheck15x16 = {
    ".........#.....", "........##.....", ".......###.....", "......###......",
    ".#...###.......", ".##.###........", ".#####.........", "..###..........",
    "...#...........", "...............", "...............", "...............",
    "...............", "...............", "...............", "...............",
};

}  // namespace vantor::wizard::test

#endif  // VANTOR_TESTS_WIZARD_MARK_PICTURES_H_
