// A one-instruction task for running the variable commands in the tests:
// argument records and their expression code, without a loaded project.
#pragma once

#include <cstring>
#include <vector>

#include "expr_fixture.h"
#include "script/script_file.h"
#include "script/task.h"

namespace exprtest {

struct ArgSpec {
    Code code;
    uint8_t eval_type;
    uint8_t op;
    uint8_t id;
};

class VarsFixture : public ExprFixture {
protected:
    void SetUp() override
    {
        ExprFixture::SetUp();
        saved_task_ = g_cur_script;
        saved_instr_ = g_cur_instr;
    }
    void TearDown() override
    {
        g_cur_script = saved_task_;
        g_cur_instr = saved_instr_;
        ExprFixture::TearDown();
    }

    // Runs handler on one instruction whose records are `args` (in order).
    int run_cmd(int (*handler)(void), const std::vector<ArgSpec> &args)
    {
        code_.clear();
        recs_.assign(args.size(), ArgRecord{});
        for (size_t k = 0; k < args.size(); k++) {
            ArgRecord &r = recs_[k];
            r.id = args[k].id;
            r.eval_type = args[k].eval_type;
            r.op = args[k].op;
            r.offset = (uint32_t)code_.size();
            r.length = args[k].code.size();
            code_.insert(code_.end(), args[k].code.b.begin(), args[k].code.b.end());
        }
        code_.push_back(0);   // never empty
        memset(&task_, 0, sizeof task_);
        count_ = (uint8_t)args.size();
        rec_ptr_ = recs_.data();
        task_.instr_count = 1;
        task_.arg_counts = &count_;
        task_.arg_records = &rec_ptr_;
        task_.expr_code = code_.data();
        g_cur_script = &task_;
        g_cur_instr = 0;
        return handler();
    }
    // cmd_assign: target op= value.
    int assign(const Code &target, uint8_t op, const Code &value, uint8_t ttype = 1, uint8_t vtype = 1)
    {
        return run_cmd(cmd_assign, {{target, ttype, op, 0}, {value, vtype, 0, 1}});
    }

private:
    ScriptTask task_;
    std::vector<uint8_t> code_;
    std::vector<ArgRecord> recs_;
    ArgRecord *rec_ptr_ = nullptr;
    uint8_t count_ = 0;
    ScriptTask *saved_task_ = nullptr;
    uint32_t saved_instr_ = 0;
};

}  // namespace exprtest
