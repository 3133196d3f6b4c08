// The names scripts share with the host: the hooks it calls and the globals it reads or
// writes. Products' scripts are written against them, so they are frozen: a name here
// never changes (the spelling mistakes included), new ones are only added.
#pragma once

// Hooks, called in this order when the script defines them.
constexpr char kORBHookBeforeInit[] = "ORBSE_BeforeInit";
constexpr char kORBHookBeforeInstall[] = "ORBSE_BeforeInstall";
constexpr char kORBHookOnInstall[] = "ORBSE_OnInstall";
constexpr char kORBHookBeforeComplete[] = "ORBSE_BeforeComplete";
constexpr char kORBHookAfterComplete[] = "ORBSE_AfterComplete";

// How the run goes.
constexpr char kORBGlobalSilentInstall[] = "global_silent_install";
constexpr char kORBGlobalPassiveInstall[] = "global_passive_install";
constexpr char kORBGlobalSuppressMsgBoxes[] = "global_suppress_msgboxes";
constexpr char kORBGlobalShowCompleteWindow[] = "global_show_completewindow";
constexpr char kORBGlobalInstallMutexGuid[] = "global_install_mutex_guid";
constexpr char kORBGlobalAppId[] = "global_app_id";
constexpr char kORBGlobalExitCodes[] = "global_exit_codes";
constexpr char kORBGlobalRestartRequired[] = "global_restart_required";
constexpr char kORBGlobalNoRestart[] = "global_no_restart";
constexpr char kORBGlobalLogFile[] = "global_log_file";
constexpr char kORBGlobalLanguage[] = "global_language";

// What the dialogs show and publish.
constexpr char kORBGlobalProductName[] = "global_product_name";
constexpr char kORBGlobalStartupCheckVisible[] = "global_startup_check_visable";
constexpr char kORBGlobalStartupCheck[] = "global_startup_check";
constexpr char kORBGlobalLicenceUrl[] = "global_licence_url";
constexpr char kORBGlobalInstallBasePath[] = "global_install_basepath";
constexpr char kORBGlobalInstallPath[] = "global_install_path";
constexpr char kORBGlobalNeedDiskSpace[] = "global_need_disk_space";
constexpr char kORBGlobalMainAppName[] = "global_main_app_name";
constexpr char kORBGlobalStartParameter[] = "global_start_parameter";
constexpr char kORBGlobalCompleteDownloadUrl[] = "global_complate_download_url";
constexpr char kORBGlobalProgressElapse[] = "global_install_progress_elapse";
constexpr char kORBGlobalProgressPos[] = "global_install_progress_pos";
// The folder the run installs to and the backup folder, as the init dialog publishes
// them (the silent road sets the first from global_install_path).
constexpr char kORBGlobalChosenInstallPath[] = "InstallPath";
constexpr char kORBGlobalChosenBackupPath[] = "BackUpPath";

// Overrides of the host's own texts, in the order of ORBText (orbhosttext.h).
constexpr char kORBGlobalTextTitleSuffix[] = "global_text_title_suffix";
constexpr char kORBGlobalTextExitConfirm[] = "global_text_exit_confirm";
constexpr char kORBGlobalTextExitCaption[] = "global_text_exit_caption";
constexpr char kORBGlobalTextErrorCaption[] = "global_text_error_caption";
constexpr char kORBGlobalTextRefusedFolder[] = "global_text_refused_folder";
constexpr char kORBGlobalTextBadInstallPath[] = "global_text_bad_install_path";
constexpr char kORBGlobalTextBadBackupPath[] = "global_text_bad_backup_path";
constexpr char kORBGlobalTextNoticeCaption[] = "global_text_notice_caption";
constexpr char kORBGlobalTextNeedSpace[] = "global_text_need_space";
constexpr char kORBGlobalTextDeleteFailed[] = "global_text_delete_failed";
constexpr char kORBGlobalTextBrowseInstall[] = "global_text_browse_install";
constexpr char kORBGlobalTextBrowseBackup[] = "global_text_browse_backup";
constexpr char kORBGlobalTextScriptErrorCaption[] = "global_text_script_error_caption";
constexpr char kORBGlobalTextScriptErrorFeedback[] = "global_text_script_error_feedback";
