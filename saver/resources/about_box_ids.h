// SPDX-License-Identifier: MIT
/* Identifiers of the About box, shared by its dialog template and its dialog
   procedure. Plain preprocessor definitions, since the resource compiler reads
   this file too. */
#pragma once

#define ABOUT_BOX_DIALOG 101
#define ABOUT_BOX_OK 1
#define ABOUT_BOX_CREDIT (-1)
#define ABOUT_BOX_VISIT_SITE 1000
