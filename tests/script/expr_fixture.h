// Fixture of the evaluator and variable tests: a fresh variable table, the
// opcode and assignment tables, clean error state.
#pragma once

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>

#include "core/error_report.h"
#include "core/quit.h"
#include "expr_code.h"
#include "script/expr.h"
#include "script/vars.h"

namespace exprtest {

class ExprFixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        reset_error_reports();
        g_quit_flag = 0;
        g_expr_ref_mode = 0;
        ASSERT_EQ(var_table_alloc(2100), 0);
        init_expr_op_table(1);
        init_assign_op_table();
    }
    void TearDown() override
    {
        var_table_free();
        init_expr_op_table(1);
        g_quit_flag = 0;
        reset_error_reports();
    }
    // Clears the error state between cases of one test.
    void clear_errors()
    {
        reset_error_reports();
        g_quit_flag = 0;
    }

    void dims(uint32_t id, std::initializer_list<uint32_t> sizes)
    {
        VarDescriptor *v = var_descriptor(id);
        ASSERT_NE(v, nullptr);
        v->dim_count = (uint8_t)sizes.size();
        for (uint32_t k = 0; k < VAR_DIM_MAX; k++)
            v->dims[k] = 0;
        uint32_t k = 0;
        for (uint32_t s : sizes)
            v->dims[k++] = s;
    }
    void def_int(uint32_t id, int64_t value, std::initializer_list<uint32_t> sizes = {})
    {
        dims(id, sizes);
        ASSERT_EQ(var_init_int(id, value), 0);
    }
    void def_float(uint32_t id, double value, std::initializer_list<uint32_t> sizes = {})
    {
        dims(id, sizes);
        ASSERT_EQ(var_init_float(id, value), 0);
    }
    void def_string(uint32_t id, const std::string &text, std::initializer_list<uint32_t> sizes = {})
    {
        dims(id, sizes);
        ASSERT_EQ(var_init_string(id, text.data(), (uint32_t)text.size()), 0);
    }

    static int64_t I(const Code &c) { return expr_eval_int(c.data(), c.size()); }
    static double D(const Code &c) { return expr_eval_double(c.data(), c.size()); }
    static std::string S(const Code &c)
    {
        char buf[EXPR_STRING_SIZE];
        uint32_t n = expr_eval_string(buf, c.data(), c.size());
        return std::string(buf, n);
    }
    static std::string SF(const Code &c)
    {
        char buf[EXPR_STRING_SIZE];
        uint32_t n = expr_eval_string_float(buf, c.data(), c.size());
        return std::string(buf, n);
    }
    static int run(const Code &c) { return expr_run(c.data(), c.size()); }
};

}  // namespace exprtest
