#pragma once

// How the connection diagram is fitted into its window, kept free of the GUI.

namespace info {

struct PictureSize {
    int width = 0;
    int height = 0;
    friend bool operator==(const PictureSize&, const PictureSize&) = default;
};

inline constexpr PictureSize kDiagramSize{640, 250};

// The size at which a picture is drawn from the top-left corner of a client area: its natural
// size when the area holds it, otherwise shrunk with its aspect ratio kept (never enlarged).
// Fractions are dropped.
PictureSize fitPicture(PictureSize picture, PictureSize client);

inline PictureSize diagramDisplaySize(PictureSize client) {
    return fitPicture(kDiagramSize, client);
}

} // namespace info
