#pragma once

// What the font editor needs of the main window to upload the font: the flag left by the last
// port opening, and the upload itself (which reads the font table at the moment of the call).
class FontUploader {
public:
    virtual ~FontUploader() = default;
    virtual bool ComPortReady() const = 0;
    virtual void SendAllZG() = 0;
};
