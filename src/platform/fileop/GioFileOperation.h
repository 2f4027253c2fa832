#pragma once
// GioFileOperation: the work of GioOperation's requests (copy, move, delete,
// new folder, rename on locations GIO serves without a local path; see
// platform/remote/GioOperation.h for what a request promises): on a
// WorkerThread, with the engine's progress dialog, Cancel and questions
// (FileOpQuestions) asked on the main thread while the worker waits.
//
// Main thread only.

#include "platform/remote/GioOperation.h"

/// Carries out `request` as GioOperation.h describes; returns when it has
/// ended.
GioResult RunGioFileOperation(const GioRequest& request, QWidget* parent);
/// Makes RunGioOperation carry its requests out here.
void InstallGioFileOperations();
