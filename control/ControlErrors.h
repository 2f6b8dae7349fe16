#pragma once

// The control's error texts, sent exactly as written, and the ids and codes raised with them.

#include <cstdint>

namespace sonarel {

inline constexpr const char* ERR_INVALID_ID = "The Stream ID is invalid";
inline constexpr const char* ERR_NULL_POINTER = "Null Pointer";
inline constexpr const char* ERR_INVALID_PARAMETER = "The parameter is invalid";
inline constexpr const char* ERR_CREATE_INTERFACE = "Create interface failed";
inline constexpr const char* ERR_FILE_NOT_EXIST = "The file is not exist";
inline constexpr const char* ERR_ADD_RENDERER = "Add audio render filter failed";
inline constexpr const char* ERR_ADD_DSP = "Add audio process filter failed";
inline constexpr const char* ERR_RENDER_FILE = "Render file failed";
inline constexpr const char* ERR_SET_NOTIFY = "Set event notify window failed";
inline constexpr const char* ERR_GRAPH_COMMAND = "Can't exec graph command";
inline constexpr const char* ERR_SET_SPEED = "Set play spped failed";
inline constexpr const char* ERR_GET_SPEED = "Get play speed failed";
inline constexpr const char* ERR_GET_DURATION = "Get stream duration failed";
inline constexpr const char* ERR_GET_POSITION = "Get stream position failed";
inline constexpr const char* ERR_SET_POSITION = "Set stream position failed";
inline constexpr const char* ERR_SET_BALANCE = "Set balance failed";
inline constexpr const char* ERR_SET_VOLUME = "Set volume failed";
inline constexpr const char* ERR_SET_LOUDNESS = "Set loudness gain failed";
inline constexpr const char* ERR_SET_DUCK = "Set duck failed";
inline constexpr const char* ERR_GET_BALANCE = "Get balance failed";
inline constexpr const char* ERR_GET_VOLUME = "Get volume failed";
inline constexpr const char* ERR_GET_AMPLIFY = "Get audio amplify failed";
inline constexpr const char* ERR_SET_AMPLIFY = "Set audio amplify failed";
inline constexpr const char* ERR_GET_EQUALIZER = "Get audio equalizer failed";
inline constexpr const char* ERR_SET_EQUALIZER = "Set audio equalizer failed";
inline constexpr const char* ERR_FIND_FILTER = "Find filter failed";
inline constexpr const char* ERR_GET_PIN = "Get filter pin failed";
inline constexpr const char* ERR_GET_MEDIA_TYPE = "Get media type failed";
inline constexpr const char* ERR_CREATE_ENUMERATOR = "Create enumerator failed";
inline constexpr const char* ERR_MEDIA_DETECT = "Media detect failed";
inline constexpr const char* ERR_MEDIA_INFORMATION = "Get media information failed";
inline constexpr const char* ERR_DEVICE_LOST = "Audio device lost";

// The stream id of an error that belongs to no stream.
inline constexpr short NO_STREAM = -1;
// The code raised with a refused argument where the host expects one.
inline constexpr std::int32_t LRET_ARGUMENT = -1;

} // namespace sonarel
