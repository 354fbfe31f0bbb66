#pragma once

// The organisation, application name and version Qt knows both programs by. The two must
// agree: they decide where the settings and the local history file are, which the window
// and rzm530-cli share.
void setApplicationIdentity();
