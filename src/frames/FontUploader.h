#pragma once

// What the font editor needs of the upload controller to upload the font: the upload itself,
// which opens the port each time, tells its own failures and reads the font table at the
// moment of the call.
class FontUploader {
public:
    virtual ~FontUploader() = default;
    virtual void SendAllZG() = 0;
};
