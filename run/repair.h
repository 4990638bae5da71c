#pragma once
// "/v": repairing an installed client against its signed release. A file
// the target holds with the release's time and size is read and hashed;
// one whose bytes are not the release's (a torn copy after a power cut, a
// file an antivirus product rewrote, an edit that kept the time) gets the
// time in the target's picture cleared, so that the comparison copies it
// again, and that copy is checked against the release's hash like any.
class SyncConfig;
struct DirNode;

// Walks the two pictures side by side as the comparison does, counting in
// config.repairChecked and repairDamaged; each damaged file is named in
// the statistics log.
void MarkDamagedTargetFiles(SyncConfig& config, DirNode* source, DirNode* target);
