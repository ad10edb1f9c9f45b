#pragma once

// The program's two secrets, shared with the tools that write the files they
// protect: the password of the packed asset archive "assets.mca" (59
// printable characters) and the key that scrambles the profile files (16).
inline constexpr const char* kAssetArchivePassword = "]9~JKzjiG*QGVZxFE!j@.]k=21g^4Sb[9Gr=R=]D(smYMe|(kv6tH*gw]b5";
inline constexpr const char* kProfileScrambleKey = "tS..1iN47TbUuHw9";
