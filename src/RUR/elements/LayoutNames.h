#pragma once
// What the menu merge writes into the practice layout, in the layout form the GUI library
// reads (version 4):
//
//   window            <Window type="T" name="N">, the window's ID as its first property "ID"
//   place and size    "Position", "Size", "MaxSize" (unified co-ordinates)
//   pictures          "Set/Image" (an image "Image" of the imageset "Set")
//
// Window names are full names ("Root/Menubar/9100/AutoPopup") and are written whole: the GUI
// library takes a name with '/' in it, and the application finds windows by full name.

namespace layoutnames {

// The merge's window types.
inline constexpr const char* kPopupType = "TaharezLook/PopupMenuRUR";
inline constexpr const char* kItemType = "TaharezLook/MenuItemRUR";
// A created pop-up is named after the item that opens it.
inline constexpr const char* kPopupSuffix = "/AutoPopup";

inline constexpr const char* kId = "ID";
inline constexpr const char* kText = "Text";
inline constexpr const char* kFrameImage = "FrameImage";
inline constexpr const char* kHoverImage = "HoverBGImage";
inline constexpr const char* kNoActiveLayerImage = "NoActiveLayerBGImage";
inline constexpr const char* kNormalImage = "NormalBGImage";
inline constexpr const char* kPushedImage = "PushedBGImage";
inline constexpr const char* kPosition = "Position";
inline constexpr const char* kSize = "Size";

// The properties a menu item loses when its entry leaves the menu.
inline constexpr const char* kMenuItemProperties[] = {kFrameImage, kText,      kHoverImage,
                                                      kNoActiveLayerImage, kNormalImage, kPushedImage,
                                                      kPosition, kSize};

// Command attributes, taken from the menu document's button properties of the same names.
inline constexpr const char* kCmdType = "nCmdType";
inline constexpr const char* kTypeId = "TypeID";
inline constexpr const char* kKindId = "sTypeID";
inline constexpr const char* kCommandNames[] = {kCmdType, kTypeId, kKindId};

}  // namespace layoutnames
