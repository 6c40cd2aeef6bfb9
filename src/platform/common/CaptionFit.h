// How both desktops fit a caption into the box the layout gives it: the layout was drawn for a
// smaller default font than the user's may be, so a caption that would be cut off is drawn a little
// smaller, just enough to be read whole, but never below the size where it stops being readable.
#pragma once

namespace vedodud {

// Below this a caption is no longer readable; it is cut instead.
inline constexpr int kSmallestCaptionPoints = 6;

// Steps `size` down by `step` until `fitsAt(size)` holds or the next step would go below `smallest`,
// and returns the size it stopped at. `fitsAt` is last called with that size.
template <class Size, class FitsAt>
Size FittingCaptionSize(Size size, Size step, Size smallest, FitsAt&& fitsAt) {
    while (!fitsAt(size) && size - step >= smallest) size -= step;
    return size;
}

}  // namespace vedodud
