#pragma once

#include <QImage>

// The cable diagram of the connection window, 640 x 250.
QImage paintDiagram();
// The small picture of the About window, 151 x 86: coloured sine waves on a dark teal ground.
QImage paintWaves();
