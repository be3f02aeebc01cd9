// Which disc is in a drive: the identity the history keeps its scans under.
// The descriptors of the last session (VolumeDescriptors) are hashed with
// SHA-256 (OpenSSL's libcrypto); the label is the one the Media page shows
// (Joliet's, else ISO 9660's, for a disc with an ISO 9660 set; UDF's for a
// disc with UDF alone). A session with neither set (an audio CD) is known by
// the hash of its medium's session table instead: every session's start and
// length.
#pragma once

#include <string>
#include <string_view>

#include "core/history/HistoryRecords.h"
#include "core/history/VolumeDescriptors.h"

class DeviceContext;

// The SHA-256 of bytes in lower-case hex.
std::string Sha256Hex(std::string_view bytes);

// The identity of the disc in context's drive. False, with error set, when
// there is no medium or its descriptors cannot be read.
bool IdentifyDisc(const DeviceContext& context, DiscIdentity& out, std::string& error);
