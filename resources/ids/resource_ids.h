#pragma once
// The numbers of the text commands' resources, named once for the module that asks for them and
// the resource module that holds them: strings (loaded by number), dialog templates and the
// controls a command reads or sets. A number changed here changes on both sides.

#include <cstdint>

namespace res {

// Command names in the user's language, one per command.
inline constexpr std::uint32_t kNameGatte = 5999;
inline constexpr std::uint32_t kNameTextfit = 6031;
inline constexpr std::uint32_t kNameTxt2mtxt = 6032;
inline constexpr std::uint32_t kNameTjust = 6033;
inline constexpr std::uint32_t kNameTorient = 6034;
inline constexpr std::uint32_t kNameTcircle = 6035;
inline constexpr std::uint32_t kNameTcount = 6036;
inline constexpr std::uint32_t kNameTcase = 6037;
inline constexpr std::uint32_t kNameChgthei = 6038;
inline constexpr std::uint32_t kNameCurstyle = 6039;
inline constexpr std::uint32_t kNameTxtuline = 6040;
inline constexpr std::uint32_t kNameDeluline = 6041;
inline constexpr std::uint32_t kNameTextmask = 6042;
inline constexpr std::uint32_t kNameTextunmask = 6043;
inline constexpr std::uint32_t kNameMathei = 6044;
inline constexpr std::uint32_t kNameMtexp = 6045;
inline constexpr std::uint32_t kNameTxtalign = 6046;
inline constexpr std::uint32_t kNameBurst = 6047;
inline constexpr std::uint32_t kNameAttout = 6048;
inline constexpr std::uint32_t kNameAttin = 6049;
inline constexpr std::uint32_t kNameGb2big5 = 6107;
inline constexpr std::uint32_t kNameTxtexp = 6108;
inline constexpr std::uint32_t kNameTexttofront = 6800;

// The opening of every text command.
inline constexpr std::uint32_t kSelectTexts = 2621;
inline constexpr std::uint32_t kNothingSelected = 2623;
inline constexpr std::uint32_t kOneNotInUcsPlane = 2647;
inline constexpr std::uint32_t kManyNotInUcsPlane = 2648;
inline constexpr std::uint32_t kRemoveObjects = 3548;

// TCASE, TCOUNT, CHGTHEI, MATHEI, CURSTYLE, TXTULINE and DELULINE.
inline constexpr std::uint32_t kTcountOrderKeywords = 2358;
inline constexpr std::uint32_t kTcountOrderPrompt = 2359;
inline constexpr std::uint32_t kTcountOrderX = 3567;
inline constexpr std::uint32_t kTcountOrderY = 3568;
inline constexpr std::uint32_t kTcountOrderSelected = 3569;
inline constexpr std::uint32_t kTcountStartPrompt = 2360;
inline constexpr std::uint32_t kTcountStartInvalid = 2364;
inline constexpr std::uint32_t kTcountPlacementKeywords = 2365;
inline constexpr std::uint32_t kTcountPlacementPrompt = 2362;
inline constexpr std::uint32_t kTcountFindPrompt = 2361;
inline constexpr std::uint32_t kTcountReplaced = 2367;
inline constexpr std::uint32_t kSelectText = 2566;
inline constexpr std::uint32_t kChgtheiHeightPrompt = 2567;
inline constexpr std::uint32_t kMatheiSelectSource = 2577;
inline constexpr std::uint32_t kMatheiSelectTargets = 2578;
inline constexpr std::uint32_t kNotATextPicked = 2617;
inline constexpr std::uint32_t kCurstyleSet = 2568;
inline constexpr std::uint32_t kSelectSingleLineTexts = 2569;

// TJUST, TORIENT, TXTALIGN and TEXTFIT.
inline constexpr std::uint32_t kLockedLeftOut = 2291;
inline constexpr std::uint32_t kTjustKeywords = 2346;
inline constexpr std::uint32_t kTjustPrompt = 2347;
inline constexpr std::uint32_t kTextsChanged = 2348;
inline constexpr std::uint32_t kTorientAnglePrompt = 2349;
inline constexpr std::uint32_t kTxtalignSelect = 2581;
inline constexpr std::uint32_t kTxtalignPrompt = 2582;
inline constexpr std::uint32_t kTxtalignKeywords = 2583;
inline constexpr std::uint32_t kTxtalignPickPoint = 2584;
inline constexpr std::uint32_t kTextfitSelect = 2628;
inline constexpr std::uint32_t kTextfitNotText = 2627;
inline constexpr std::uint32_t kTextfitEndPoint = 2334;

// TXT2MTXT, MTEXP and TXTEXP.
inline constexpr std::uint32_t kTxt2mtxtSelect = 2337;
inline constexpr std::uint32_t kTxt2mtxtRemove = 3007;
inline constexpr std::uint32_t kTxt2mtxtKeywords = 3008;
inline constexpr std::uint32_t kTxt2mtxtCombined = 2626;
inline constexpr std::uint32_t kMtexpSelect = 2579;
inline constexpr std::uint32_t kMtexpDone = 2580;
inline constexpr std::uint32_t kMtexpFailed = 2585;
inline constexpr std::uint32_t kTxtexpSelect = 3522;
inline constexpr std::uint32_t kTxtexpLockedLeftOut = 3528;
inline constexpr std::uint32_t kTxtexpNoGeometry = 3529;
inline constexpr std::uint32_t kGb2big5LeftUnchanged = 3530;

// TCIRCLE, TEXTMASK, TEXTUNMASK and TEXTTOFRONT.
inline constexpr std::uint32_t kTcircleOffsetPrompt = 2350;
inline constexpr std::uint32_t kTcircleShapeKeywords = 2352;
inline constexpr std::uint32_t kTcircleShapePrompt = 2353;
inline constexpr std::uint32_t kTcircleSizePrompt = 2354;
inline constexpr std::uint32_t kTcircleSizeKeywords = 2356;
inline constexpr std::uint32_t kTcircleConstantPrompt = 2355;
inline constexpr std::uint32_t kTcircleConstantKeywords = 2357;
inline constexpr std::uint32_t kTcircleMade = 2622;
inline constexpr std::uint32_t kTextmaskSettings = 2570;
inline constexpr std::uint32_t kTextmaskSettingsSolid = 2571;
inline constexpr std::uint32_t kTextmaskSelect = 2572;
inline constexpr std::uint32_t kTextmaskKeywords = 2573;
inline constexpr std::uint32_t kTextmaskCurrentType = 3508;
inline constexpr std::uint32_t kTextmaskTypePrompt = 3509;
inline constexpr std::uint32_t kTextmaskTypeKeywords = 3510;
inline constexpr std::uint32_t kTextmaskWipeout = 3564;
inline constexpr std::uint32_t kTextmask3dFace = 3565;
inline constexpr std::uint32_t kTextmaskSolid = 3566;
inline constexpr std::uint32_t kTextmaskOffsetPrompt = 2343;
inline constexpr std::uint32_t kTextunmaskSelect = 2574;
inline constexpr std::uint32_t kTextunmaskRemoved = 2575;
inline constexpr std::uint32_t kTextunmaskNoMask = 2576;
inline constexpr std::uint32_t kTexttofrontKeywords = 6801;
inline constexpr std::uint32_t kTexttofrontPrompt = 6802;
inline constexpr std::uint32_t kTexttofrontDone = 6803;
inline constexpr std::uint32_t kTexttofrontNothing = 6804;

// ATTOUT, ATTIN, GATTE and BURST.
inline constexpr std::uint32_t kAttoutTitle = 2454;
inline constexpr std::uint32_t kAttoutCannotWrite = 2455;
inline constexpr std::uint32_t kAttoutCheckFile = 2456;
inline constexpr std::uint32_t kAttoutDone = 2457;
inline constexpr std::uint32_t kAttoutNotReadBack = 2473;
inline constexpr std::uint32_t kAttoutLeftOut = 2474;
inline constexpr std::uint32_t kAttinTitle = 2458;
inline constexpr std::uint32_t kAttinCannotOpen = 2459;
inline constexpr std::uint32_t kAttinReading = 2460;
inline constexpr std::uint32_t kAttinRead = 2461;
inline constexpr std::uint32_t kAttinUpdated = 2462;
inline constexpr std::uint32_t kAttinNoHandle = 2463;
inline constexpr std::uint32_t kAttinHandleValue = 2464;
inline constexpr std::uint32_t kAttinUnmatched = 2465;
inline constexpr std::uint32_t kAttinDialogTitle = 2100;
inline constexpr std::uint32_t kAttinSelectReference = 2466;
inline constexpr std::uint32_t kAttinNotAssigned = 2467;
inline constexpr std::uint32_t kAttinTagValue = 2468;
inline constexpr std::uint32_t kAttinSelectLeftOver = 2470;
inline constexpr std::uint32_t kAttinBadHeader = 2404;
inline constexpr std::uint32_t kAttinBadLine = 2471;
inline constexpr std::uint32_t kAttinEmptyLine = 2472;
inline constexpr std::uint32_t kGatteKeywords = 6138;
inline constexpr std::uint32_t kGatteSelect = 6124;
inline constexpr std::uint32_t kGatteBlockNamePrompt = 6136;
inline constexpr std::uint32_t kGatteInvalidBlockName = 6137;
inline constexpr std::uint32_t kGatteNestedOnly = 6123;
inline constexpr std::uint32_t kGatteNoAttributes = 6135;
inline constexpr std::uint32_t kGatteNotAReference = 6140;
inline constexpr std::uint32_t kGatteKnownTags = 6126;
inline constexpr std::uint32_t kGatteTagPrompt = 6127;
inline constexpr std::uint32_t kGatteBlockAndTag = 6141;
inline constexpr std::uint32_t kGatteNewTextPrompt = 6132;
inline constexpr std::uint32_t kGatteYesNoKeywords = 6139;
inline constexpr std::uint32_t kGatteReferenceCount = 6128;
inline constexpr std::uint32_t kGatteChangeAllPrompt = 6129;
inline constexpr std::uint32_t kGatteWait = 6142;
inline constexpr std::uint32_t kGatteChanged = 6143;
inline constexpr std::uint32_t kBurstNothing = 3239;
inline constexpr std::uint32_t kBurstLeftOut = 2452;
inline constexpr std::uint32_t kBurstCount = 2453;
inline constexpr std::uint32_t kBurstNotExploded = 3240;

// What HELP says of each command: a one-line description and the replies it asks for.
inline constexpr std::uint32_t kAboutBurst = 6900;
inline constexpr std::uint32_t kAboutAttout = 6901;
inline constexpr std::uint32_t kAboutAttin = 6902;
inline constexpr std::uint32_t kAboutGatte = 6903;
inline constexpr std::uint32_t kAboutTxtexp = 6904;
inline constexpr std::uint32_t kAboutTextfit = 6905;
inline constexpr std::uint32_t kAboutTxt2mtxt = 6906;
inline constexpr std::uint32_t kAboutTjust = 6907;
inline constexpr std::uint32_t kAboutTorient = 6908;
inline constexpr std::uint32_t kAboutTcircle = 6909;
inline constexpr std::uint32_t kAboutTcount = 6910;
inline constexpr std::uint32_t kAboutTcase = 6911;
inline constexpr std::uint32_t kAboutChgthei = 6912;
inline constexpr std::uint32_t kAboutCurstyle = 6913;
inline constexpr std::uint32_t kAboutTxtuline = 6914;
inline constexpr std::uint32_t kAboutDeluline = 6915;
inline constexpr std::uint32_t kAboutTextmask = 6916;
inline constexpr std::uint32_t kAboutTextunmask = 6917;
inline constexpr std::uint32_t kAboutMathei = 6918;
inline constexpr std::uint32_t kAboutMtexp = 6919;
inline constexpr std::uint32_t kAboutTxtalign = 6920;
inline constexpr std::uint32_t kAboutTexttofront = 6921;
inline constexpr std::uint32_t kAboutGb2big5 = 6922;
inline constexpr std::uint32_t kUsageBurst = 6930;
inline constexpr std::uint32_t kUsageAttout = 6931;
inline constexpr std::uint32_t kUsageAttin = 6932;
inline constexpr std::uint32_t kUsageGatte = 6933;
inline constexpr std::uint32_t kUsageTxtexp = 6934;
inline constexpr std::uint32_t kUsageTextfit = 6935;
inline constexpr std::uint32_t kUsageTxt2mtxt = 6936;
inline constexpr std::uint32_t kUsageTjust = 6937;
inline constexpr std::uint32_t kUsageTorient = 6938;
inline constexpr std::uint32_t kUsageTcircle = 6939;
inline constexpr std::uint32_t kUsageTcount = 6940;
inline constexpr std::uint32_t kUsageTcase = 6941;
inline constexpr std::uint32_t kUsageChgthei = 6942;
inline constexpr std::uint32_t kUsageCurstyle = 6943;
inline constexpr std::uint32_t kUsageTxtuline = 6944;
inline constexpr std::uint32_t kUsageDeluline = 6945;
inline constexpr std::uint32_t kUsageTextmask = 6946;
inline constexpr std::uint32_t kUsageTextunmask = 6947;
inline constexpr std::uint32_t kUsageMathei = 6948;
inline constexpr std::uint32_t kUsageMtexp = 6949;
inline constexpr std::uint32_t kUsageTxtalign = 6950;
inline constexpr std::uint32_t kUsageTexttofront = 6951;
inline constexpr std::uint32_t kUsageGb2big5 = 6952;

// Dialog templates and their controls.
inline constexpr std::uint32_t kTcaseDialog = 2366;
inline constexpr std::uint32_t kTcaseSentence = 2005;
inline constexpr std::uint32_t kTcaseLower = 2006;
inline constexpr std::uint32_t kTcaseUpper = 2021;
inline constexpr std::uint32_t kTcaseTitle = 2022;
inline constexpr std::uint32_t kTcaseToggle = 2023;

inline constexpr std::uint32_t kTxt2mtxtDialog = 2345;
inline constexpr std::uint32_t kTxt2mtxtJoin = 2025;
inline constexpr std::uint32_t kTxt2mtxtKeepOrder = 2005;
inline constexpr std::uint32_t kTxt2mtxtSortDown = 2006;

inline constexpr std::uint32_t kGb2big5Dialog = 3518;
inline constexpr std::uint32_t kGb2big5CodePage = 3511;
inline constexpr std::uint32_t kGb2big5ToSimplified = 3512;
inline constexpr std::uint32_t kGb2big5ToTraditional = 3513;
inline constexpr std::uint32_t kGb2big5AllTexts = 3514;
inline constexpr std::uint32_t kGb2big5SelectedTexts = 3515;
inline constexpr std::uint32_t kGb2big5OneLayer = 3516;
inline constexpr std::uint32_t kGb2big5Layer = 3517;

}  // namespace res
