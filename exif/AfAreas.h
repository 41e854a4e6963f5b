#pragma once
// Where the camera focused: the AF areas (selected and in focus) that the makers' notes
// record, as rectangles of the picture's stored pixels. No Qt, no I/O: whatever hands over
// an Exif block (a JPEG, a PEF's own TIFF structure, a plug-in's export) gets them.
//
// Read: PENTAX (the 9- and 11-point layouts), Canon (AF image size, area positions and
// sizes, points in focus), Nikon (AF area position of the live-view and mirrorless models;
// the 11-point layout's selected point and points in focus), Olympus / OM System (selected
// area as fractions of the frame), Sony (focus location and frame), Fujifilm (focus pixel),
// Panasonic (AF point position).
#include <cstddef>
#include <string>
#include <vector>

class TExifRoot;

struct TAfArea {
    int X = 0, Y = 0, Width = 0, Height = 0;
    bool operator==(const TAfArea&) const = default;
};

// The areas of a picture of width x height stored pixels whose Exif block `reader` parsed:
// the selected ones first, then those in focus, each once. Positions recorded for another
// image size are scaled to the picture's; a point alone becomes a square of 5 % of the
// picture's shorter side centred on it. Empty when the makernote records none, belongs to no
// maker read here, holds a malformed value, or was recorded for a frame of another shape
// than the picture's (cropped or resized afterwards): no area rather than a wrong one.
std::vector<TAfArea> ReadAfAreas(const TExifRoot& reader, int width, int height);

// The same from the TIFF structure at `tiff` (an Exif block's, after "Exif\0\0").
std::vector<TAfArea> ReadAfAreas(const unsigned char* tiff, std::size_t length, int width, int height);

// "x,y,w,h" per area separated by blanks; "-" when there is none.
std::string AfAreasText(const std::vector<TAfArea>& areas);
